#!/usr/bin/env bash
# make install for other systems: cmake --install with a prefix and DESTDIR lays out the game, its data, icons,
# desktop entry, AppStream data and manual page under the prefix, and the installed command, started from an
# empty folder, finds its pictures there and keeps the player's settings in their home.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
BUILD_DIR=$(realpath "$2")
export SDL_AUDIODRIVER=dummy
command -v cmake >/dev/null || fail "cmake is missing"

STAGE=$(mktemp -d /tmp/tarvo-install.XXXXXX)
trap 'stop_game; rm -rf "$STAGE"' EXIT
PREFIX=/opt/tarvo-rink-test
DESTDIR=$STAGE cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$STAGE/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 5 "$STAGE/install.log")"
TOP=$STAGE$PREFIX
for file in games/tarvo-rink share/games/tarvo-rink/pictures/menu/close.jpg share/games/tarvo-rink/sound/other/explode.wav \
  share/games/tarvo-rink/pictures/menu/watchoff.jpg share/applications/tarvo-rink.desktop share/icons/hicolor/48x48/apps/tarvo-rink.png \
  share/icons/hicolor/256x256/apps/tarvo-rink.png share/man/man6/tarvo-rink.6 \
  share/metainfo/local.tarvo_rink.TarvoRink.metainfo.xml; do
  [ -f "$TOP/$file" ] || fail "nothing installed at $PREFIX/$file"
done
# The entry and the manual name the paths of this prefix, not those of the build's configuration.
grep -qx "Exec=$PREFIX/games/tarvo-rink" "$TOP/share/applications/tarvo-rink.desktop" ||
  fail "desktop entry: $(grep Exec "$TOP/share/applications/tarvo-rink.desktop")"
grep -q "^\.I $PREFIX/share/games/tarvo-rink$" "$TOP/share/man/man6/tarvo-rink.6" || fail "the manual names another data folder"

# The command, from an empty folder, with a fresh home and XDG_CONFIG_HOME naming a folder yet to be made.
WORKDIR=$STAGE/witness
EMPTY=$STAGE/empty
mkdir -p "$WORKDIR/shots" "$EMPTY" "$STAGE/home"
export HOME=$STAGE/home XDG_CONFIG_HOME=$STAGE/home/config
(cd "$EMPTY" && exec "$TOP/games/tarvo-rink" --window 2>"$WORKDIR/stderr" >"$WORKDIR/stdout") &
GAME_PID=$!
wait_window || fail "the installed game opened no window"
skip_intro
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
check_stderr
[ -f "$XDG_CONFIG_HOME/tarvo-rink/tarvo.ini" ] || fail "no settings in \$XDG_CONFIG_HOME/tarvo-rink: $(find "$STAGE/home")"
grep -qx 'mode= 1' "$XDG_CONFIG_HOME/tarvo-rink/tarvo.ini" || fail "--window was saved: $(head -n 4 "$XDG_CONFIG_HOME/tarvo-rink/tarvo.ini")"
[ -z "$(ls -A "$EMPTY")" ] || fail "the game wrote into its working directory: $(ls -A "$EMPTY")"
echo "installed under $PREFIX with DESTDIR; the game found its data there and saved in \$XDG_CONFIG_HOME"
