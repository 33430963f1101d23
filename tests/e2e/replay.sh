#!/usr/bin/env bash
# A match kept and watched again on the real game: a short single-player match on "tennis", left with
# Escape after a few points, is kept as replays/last.replay; `--replay` shows it from the start with
# the same score panels in the same order, goes back to the main menu at its end, keeps no replay of
# itself and leaves the settings file as it was. Files that are no sound replay (garbage, another
# version, cut short, cut within a step, missing) each end the game with one "Replay: " line and status 1.
set -u
source "$(dirname "$0")/lib/game.sh"
# The sanitizer build skips it: keeping and watching replays run under the sanitizers in the logic
# and drawing tests and the replay fuzzer, through the same code.
BUILD_DIR=$2 sanitizer_build && exit 77
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"

PANEL="140 4 500 26"  # the score digits and the marks of games won
POINTS=3

# Screenshots every tenth of a second until $2 panels have shown or $3 seconds
# have passed; each panel that differs from the one before is kept as
# $WORKDIR/shots/$1-N.xwd, the first being the screenshot $5. While $4 is
# "serve", the pass key is tapped all along. Sets PANELS to the count kept.
watch_panels() {
  local deadline last cur
  deadline=$(deadline_in "$3")
  PANELS=1
  last=$WORKDIR/shots/$1-1.xwd
  cp "$5" "$last"
  while [ "$PANELS" -lt "$2" ] && ! passed "$deadline"; do
    [ "$4" = serve ] && tap_key space
    sleep 0.1
    cur=$(shot "$1-poll")
    if [ "$(python3 -S "$E2E_LIB/shot.py" which "$last" "$cur" 8 "$P1_DIGIT" "$P2_DIGIT" "$PANEL")" != 0 ]; then
      PANELS=$((PANELS + 1))
      last=$WORKDIR/shots/$1-$PANELS.xwd
      cp "$cur" "$last"
    fi
  done
}

make_workdir
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 9\n' >"$WORKDIR/tarvo.ini"
start_game
wait_window || fail "window did not open"
skip_intro
move $AT_NOTHING
MENU_SHOT=$(shot menu)
menu_click $AT_SINGLE
menu_click $AT_TENNIS
watch_panels played $((POINTS + 1)) $((60 * SLOW)) serve "$(shot match)"
[ "$PANELS" -gt "$POINTS" ] || fail "only $((PANELS - 1)) points in $((60 * SLOW)) s"
# The last point stays in sight for three more looks before the match is left: the replay, looked at
# as often, then shows it for as long (left at once, it could end between two looks).
for look in 1 2 3; do sleep 0.1; shot played-held >/dev/null; done
tap_key Escape
await_same menu_again "$MENU_SHOT" "" "Escape from the match shows the main menu"
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the game quit with status $EXIT_STATUS"
[ -f "$WORKDIR/replays/last.replay" ] || fail "no replays/last.replay after the match: $(ls "$WORKDIR/replays" 2>&1)"
kept=$(ls "$WORKDIR/replays")
log "kept: $(echo $kept) ($(stat -c %s "$WORKDIR/replays/last.replay") bytes)"

# Watched with another difficulty in the settings: the replay plays at its own,
# and the file keeps the watcher's.
sed -i 's/^difficulty= .*/difficulty= 13.000000/' "$WORKDIR/tarvo.ini"
settings=$(md5sum <"$WORKDIR/tarvo.ini")
start_game --replay replays/last.replay
wait_window || fail "the replay's window did not open"
await_same watched-start "$WORKDIR/shots/played-1.xwd" "$PANEL" "the replay's first score panel"
watch_panels watched $((POINTS + 2)) $((60 * SLOW)) watch "$SHOT"
# Back to the menu after the last step: a panel that is no score panel.
[ "$PANELS" = $((POINTS + 2)) ] || fail "the replay showed $((PANELS - 1)) changes of the panel, not $POINTS points and the menu"
for n in $(seq 1 "$PANELS"); do
  [ "$n" -le $((POINTS + 1)) ] || break
  same "$WORKDIR/shots/played-$n.xwd" "$WORKDIR/shots/watched-$n.xwd" "$PANEL" "score panel $n of the replay"
done
move $AT_NOTHING
await_same menu_after "$MENU_SHOT" "" "the main menu after the replay"
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the game quit with status $EXIT_STATUS after the replay"
[ "$(md5sum <"$WORKDIR/tarvo.ini")" = "$settings" ] || fail "watching changed the settings: $(cat "$WORKDIR/tarvo.ini")"
[ "$(ls "$WORKDIR/replays")" = "$kept" ] || fail "watching kept a replay: $(ls "$WORKDIR/replays")"

# Files that are no sound replay: one line each, status 1, no window.
last=$WORKDIR/replays/last.replay
size=$(stat -c %s "$last")
head -c 3000 /dev/urandom >"$WORKDIR/garbage.replay"
{ head -c 4 "$last"; printf '\x09'; tail -c +6 "$last"; } >"$WORKDIR/version.replay"
head -c $((size - 16)) "$last" >"$WORKDIR/short.replay"
head -c $((size - 17)) "$last" >"$WORKDIR/cut.replay"
for bad in garbage:"is not a replay of this game" version:"is a replay of another version of the game" \
  short:"ends before the match does (cut short?)" cut:"ends in the middle of a step" \
  missing:"cannot read missing.replay: No such file or directory"; do
  name=${bad%%:*}
  (cd "$WORKDIR" && "$GAME" --replay "$name.replay" >stdout 2>stderr)
  status=$?
  [ "$status" = 1 ] || fail "$name.replay: status $status"
  want="Replay: $name.replay ${bad#*:}"
  [ "$name" = missing ] && want="Replay: ${bad#*:}"
  [ "$(cat "$WORKDIR/stderr")" = "$want" ] || fail "$name.replay: '$(cat "$WORKDIR/stderr")', not '$want'"
done
log "replay kept, watched and refused as it should be"
