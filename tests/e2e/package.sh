#!/usr/bin/env bash
# The Debian package: built the Debian way, clean under lintian and the desktop, AppStream and manual page
# checkers, one version throughout, dependencies that apt resolves; then the packaged game run at its real
# paths in a private mount namespace, from an empty folder with a fresh home: settings kept per player, the
# command line's screen never saved, nothing written beside the game or in its working directory.
# (A game without a home is left to the logic tests of the settings folder.)
# Runs in the plain build only, so the package is built once per make test.
set -u
GAME=$1
BUILD_DIR=$(realpath "$2")
if grep -q '^TARVO_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null; then
  echo "sanitizer build: the package is built and checked in the plain build, skipped"
  exit 77
fi
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
export SDL_AUDIODRIVER=dummy

for tool in dpkg-buildpackage lintian desktop-file-validate appstreamcli bwrap groff man; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup.sh test installs it)"
done

# ---- The package, built from a clean copy of the source -------------------------------
log() { echo "[${SECONDS}s] $*"; }
OUT=$BUILD_DIR/deb
DEB=$(bash "$SOURCE_DIR/scripts/build-deb.sh" "$OUT" | tail -n 1) || fail "make deb failed (log in $OUT/build.log)"
VERSION=$(dpkg-parsechangelog -l "$SOURCE_DIR/debian/changelog" -S Version)
[ "$(basename "$DEB")" = "tarvo-rink_${VERSION}_$(dpkg-architecture -q DEB_HOST_ARCH).deb" ] || fail "package named $DEB"
log "built $(basename "$DEB")"

lintian --fail-on error,warning "$DEB" >"$OUT/lintian.log" 2>&1
status=$?
grep -v '^running with root privileges' "$OUT/lintian.log" | sed 's/^/  lintian: /'
[ "$status" = 0 ] && ! grep -q '^[EW]:' "$OUT/lintian.log" || fail "lintian reports errors or warnings (status $status)"

# The build dependencies hold everything make play installs to build the game (make,
# the compiler and the GL driver are build-essential or needed only to play).
wanted=$(sed -n '/^play_packages="/,/"$/p' "$SOURCE_DIR/scripts/setup.sh" | tr -d '"' | sed 's/play_packages=//')
declared=$(sed -n '/^Build-Depends:/,/^[A-Z]/p' "$SOURCE_DIR/debian/control" | tr ',' '\n' | awk '{print $1}')
for package in $wanted; do
  case $package in make | g++ | libgl1-mesa-dri) continue ;; esac
  grep -qx "$package" <<<"$declared" || fail "Build-Depends lacks $package"
done
apt-get install --simulate "$DEB" >"$OUT/simulate.log" 2>&1 || fail "apt cannot install the package: $(tail -n 5 "$OUT/simulate.log")"
grep -q '^Inst tarvo-rink ' "$OUT/simulate.log" || fail "apt would not install tarvo-rink: $(tail -n 5 "$OUT/simulate.log")"

# ---- What it installs ---------------------------------------------------------------------------
ROOT=$(mktemp -d /tmp/tarvo-package.XXXXXX)
trap 'stop_game; rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT/files" || fail "dpkg-deb cannot unpack the package"
FILES=$ROOT/files
find "$FILES" -type f | sed "s|^$FILES||" | sort >"$ROOT/listing"
for file in /usr/games/tarvo-rink /usr/share/applications/tarvo-rink.desktop /usr/share/man/man6/tarvo-rink.6.gz \
  /usr/share/metainfo/local.tarvo_rink.TarvoRink.metainfo.xml /usr/share/doc/tarvo-rink/copyright \
  /usr/share/games/tarvo-rink/pictures/menu/ground.jpg /usr/share/games/tarvo-rink/sound/menu/music.wav; do
  grep -qx "$file" "$ROOT/listing" || fail "the package lacks $file"
done
[ "$(grep -c '^/usr/share/games/tarvo-rink/pictures/.*\.jpg$' "$ROOT/listing")" = 59 ] || fail "not 59 pictures"
[ "$(grep -c '^/usr/share/games/tarvo-rink/sound/.*\.wav$' "$ROOT/listing")" = 12 ] || fail "not 12 sounds"
for size in 48 64 128 256; do
  icon=$FILES/usr/share/icons/hicolor/${size}x$size/apps/tarvo-rink.png
  [ "$(identify -format '%wx%h %[channels]' "$icon" 2>/dev/null)" = "${size}x$size srgba" ] ||
    fail "icon at $size: $(identify -format '%wx%h %[channels]' "$icon" 2>&1)"
done

DESKTOP=$FILES/usr/share/applications/tarvo-rink.desktop
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Categories=Game;ArcadeGame;' "$DESKTOP" || fail "desktop entry categories: $(grep Categories "$DESKTOP")"
grep -qx 'Icon=tarvo-rink' "$DESKTOP" || fail "desktop entry icon: $(grep Icon "$DESKTOP")"
EXEC=$(sed -n 's/^Exec=//p' "$DESKTOP")
[ "$EXEC" = /usr/games/tarvo-rink ] || fail "desktop entry runs '$EXEC'"

METAINFO=$FILES/usr/share/metainfo/local.tarvo_rink.TarvoRink.metainfo.xml
appstreamcli validate --no-net "$METAINFO" >"$ROOT/appstream.log" 2>&1 || fail "AppStream: $(cat "$ROOT/appstream.log")"
grep -q '<content_rating type="oars-1.1"' "$METAINFO" || fail "no content rating in the AppStream file"

MANPAGE=$FILES/usr/share/man/man6/tarvo-rink.6.gz
warnings=$(zcat "$MANPAGE" | groff -ww -z -man 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$MANPAGE" 2>&1 >"$ROOT/man.txt")
[ -z "$warnings" ] || fail "man warns about the manual page: $warnings"
for section in SYNOPSIS OPTIONS CONTROLS FILES 'EXIT STATUS'; do
  grep -q "^$section" "$ROOT/man.txt" || fail "the manual page has no $section"
done
grep -q 'tarvo-rink/tarvo.ini' "$ROOT/man.txt" || fail "the manual page does not say where the settings live"

# One version: the changelog's, in the package, the manual page and the AppStream release.
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "package version $(dpkg-deb -f "$DEB" Version)"
zcat "$MANPAGE" | grep -q "^\.TH TARVO-RINK 6 \"[0-9-]*\" \"tarvo-rink $VERSION\"" || fail "manual page version"
grep -q "<release version=\"$VERSION\" date=\"[0-9-]*\"/>" "$METAINFO" || fail "AppStream release version"
log "lintian, desktop entry, AppStream file and manual page clean; version $VERSION throughout"

# ---- The packaged game at its real paths ---------------------------------------------------------
# A private mount namespace in which the unpacked package stands where dpkg would put it:
# /usr/games is the package's, and so is each folder of /usr/share that it fills (for the
# game's own data the package's files themselves, writable, so that anything the game
# wrote there would show); every other folder of /usr/share is the machine's.
NAMESPACE=(bwrap --dev-bind / / --die-with-parent --bind "$FILES/usr/games" /usr/games --tmpfs /usr/share)
for entry in /usr/share/*; do
  [ -e "$FILES$entry" ] || NAMESPACE+=(--bind "$entry" "$entry")
done
for entry in "$FILES"/usr/share/*; do
  NAMESPACE+=(--bind "$entry" "/usr/share/${entry##*/}")
done

HOMEDIR=$ROOT/home
EMPTY=$ROOT/empty   # the game's working directory, as a launcher in an empty folder gives it
mkdir -p "$HOMEDIR" "$EMPTY"
WORKDIR=$ROOT/witness
mkdir -p "$WORKDIR/shots"
# The game as the desktop entry starts it, in the namespace; start_game (lib/game.sh) runs it.
GAME=$ROOT/packaged-game
{
  echo '#!/usr/bin/env bash'
  printf 'exec'
  printf ' %q' "${NAMESPACE[@]}" --chdir "$EMPTY" --setenv HOME "$HOMEDIR" --unsetenv XDG_CONFIG_HOME
  printf ' %s "$@"\n' "$EXEC"
} >"$GAME"
chmod +x "$GAME"
source "$(dirname "$0")/lib/play.sh"

(cd "$FILES" && find usr/share/games -printf '%p %s %T@\n' | sort) >"$ROOT/data-before"
nothing_written() {
  [ -z "$(ls -A "$EMPTY")" ] || fail "$1: the game wrote into its working directory: $(ls -A "$EMPTY")"
  (cd "$FILES" && find usr/share/games -printf '%p %s %T@\n' | sort) | cmp -s - "$ROOT/data-before" ||
    fail "$1: something changed under /usr/share/games/tarvo-rink"
}

# The command line, before any window: with no display at all, nothing may try to open one.
help=$(env -u DISPLAY "$GAME" --help 2>"$WORKDIR/stderr") || fail "--help ended with status $?"
[ ! -s "$WORKDIR/stderr" ] || fail "--help wrote on standard error: $(cat "$WORKDIR/stderr")"
grep -q '^Usage: tarvo-rink \[OPTION\]' <<<"$help" && grep -q -- '--size WIDTHxHEIGHT' <<<"$help" ||
  fail "--help shows: $help"
grep -qx "Settings are kept in $HOMEDIR/.config/tarvo-rink/tarvo.ini" <<<"$help" || fail "--help names no settings file: $help"
[ "$(env -u DISPLAY "$GAME" --version)" = "tarvo-rink $VERSION" ] || fail "--version shows $(env -u DISPLAY "$GAME" --version)"
for wrong in "--size 800x601" "--sizes=800x600" "--bogus" "stray"; do
  # shellcheck disable=SC2086
  env -u DISPLAY "$GAME" $wrong >"$WORKDIR/stdout" 2>"$WORKDIR/stderr"
  status=$?
  [ "$status" = 2 ] || fail "'$wrong' ended with status $status: $(cat "$WORKDIR/stderr")"
  [ ! -s "$WORKDIR/stdout" ] || fail "'$wrong' wrote on standard output"
  [ "$(sed -n 2p "$WORKDIR/stderr")" = "Usage: tarvo-rink [OPTION]..." ] && ! grep -q Usage <(head -n 1 "$WORKDIR/stderr") ||
    fail "'$wrong' did not give one line and the usage: $(cat "$WORKDIR/stderr")"
done
nothing_written "the command line"
log "--help, --version and four wrong command lines"

# First start: a fresh home, no settings. Hard chosen in the menu, left through the confirmation.
start_game
wait_window || fail "the packaged game opened no window"
skip_intro
menu_click $AT_SETTINGS
menu_click $AT_HARD
await_checked settings hard
tap_awaited Escape
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the first run ended with status $EXIT_STATUS"
check_stderr
SETTINGS=$HOMEDIR/.config/tarvo-rink/tarvo.ini
[ -f "$SETTINGS" ] || fail "no settings file in the player's configuration folder: $(find "$HOMEDIR")"
[ "$(stat -c %a "$HOMEDIR/.config/tarvo-rink")" = 700 ] || fail "the settings folder is open to others"
grep -qx 'difficulty= 9.000000' "$SETTINGS" || fail "hard was not saved: $(cat "$SETTINGS")"
nothing_written "the first run"
cp "$SETTINGS" "$ROOT/first.ini"
log "first run: hard saved in \$HOME/.config/tarvo-rink/tarvo.ini"

# Second start, in a window of another size for this run only: the choice is read back,
# and the file keeps the screen it named.
start_game_with() { (cd "$WORKDIR" && exec "$GAME" "$@" 2>"$WORKDIR/stderr" >"$WORKDIR/stdout") & GAME_PID=$!; }
start_game_with --window --size=640x480
wait_window || fail "the second run opened no window"
[ "$WINDOW_W x $WINDOW_H" = "640 x 480" ] || fail "--size 640x480 opened $WINDOW_W x $WINDOW_H"
skip_intro
menu_click $AT_SETTINGS
await_checked settings hard
tap_awaited Escape
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the second run ended with status $EXIT_STATUS"
check_stderr
cmp -s "$SETTINGS" "$ROOT/first.ini" || fail "the second run changed the settings: $(diff "$ROOT/first.ini" "$SETTINGS")"
nothing_written "the second run"
log "second run: hard read back; --window --size 640x480 used and not saved"

echo "package $(basename "$DEB") checked and played at its installed paths"
