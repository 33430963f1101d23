#!/usr/bin/env bash
# Sound wanted but no audio device to be had (SDL_AUDIODRIVER names no driver that exists): the real game
# says so in one line, reports each of the twelve sounds it could not load, and plays on in silence
# through the menu and a match on each playground, then exits through the menu with status 0.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"

make_workdir
printf 'music= 1\neffects= 1\nresolution= 0\nmode= 0\n' >"$WORKDIR/tarvo.ini"
export SDL_AUDIODRIVER=no-such-driver
start_game
wait_window || fail "window did not open"
skip_intro
MENU_SHOT=$(shot menu)

# Every kind of sound call, with no device and no chunks: hover, page change,
# match start and music, serve and bat hit, a point, leaving the match. Bat 1
# goes out of the way after the serve, so that a point follows soon.
for playground in "$AT_TENNIS" "$AT_FUTURISTIC"; do
  menu_click $AT_SINGLE
  menu_click $playground rest $PANEL_ROW
  start=$(shot match)
  # A serve held while the game stood still between two frames is never seen: served again, as a player would.
  for serves in 1 2 3; do
    hold_key space "$SERVE_HOLD"
    xdotool keydown a
    outcome=$(wait_point "$POINT_WAIT" "$start")
    xdotool keyup a
    [ "$outcome" != none ] && break
  done
  [ "$outcome" != none ] || fail "no point after three serves"
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game stopped during a match without sound"
  tap_key Escape
  await_same menu_again "$MENU_SHOT" "" "Escape from the match shows the main menu"
done
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"

# The audio line first (SDL's own start-up of audio may say so too), then one
# line for each sound, and nothing else.
first=$(grep -v '^SDL initialization failed: ' "$WORKDIR/stderr" | head -n 1)
case $first in "Audio initialization failed: "?*) ;; *) fail "first line is not the audio failure: $first" ;; esac
sounds=$(grep -c '^Sound file loading failed: ' "$WORKDIR/stderr")
[ "$sounds" = 12 ] || fail "$sounds sound failure lines, expected 12"
others=$(grep -v -e '^Sound file loading failed: ' -e '^Audio initialization failed: ' \
  -e '^SDL initialization failed: ' "$WORKDIR/stderr")
[ -z "$others" ] || fail "unexpected lines on standard error: $others"
echo "no audio device: $first; twelve sounds reported; played silently and exited with status 0"
