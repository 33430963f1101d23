#!/usr/bin/env bash
# The real game opens its window: with no settings file an 800 x 600 window at (0, 0) titled
# "Tarvo Rink" (full-screen game mode is impossible on a virtual display), which snaps back to that
# size when resized, and it keeps running.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2

make_workdir
start_game
wait_window || fail "window did not open"
read -r x y w h < <(window_geometry)
[ "$w" = 800 ] && [ "$h" = 600 ] || fail "window is ${w}x${h}, expected 800x600"
[ "$x" = 0 ] && [ "$y" = 0 ] || fail "window at ($x, $y), expected (0, 0)"
xdotool windowsize "$WINDOW" 500 300
for _ in $(seq 1 50); do
  read -r x y w h < <(window_geometry)
  [ "$w" = 800 ] && [ "$h" = 600 ] && break
  sleep 0.1
done
[ "$w" = 800 ] && [ "$h" = 600 ] || fail "the window resized to 500x300 stayed ${w}x${h}"
kill -0 "$GAME_PID" 2>/dev/null || fail "game stopped running"
stop_game
echo "window opened at (0, 0), 800x600, snapped back from 500x300, and kept running"
