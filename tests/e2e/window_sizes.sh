#!/usr/bin/env bash
# A hand-written tarvo.ini in window mode sizes the real game's window: resolution 0 gives 640 x 480 and
# resolution 2 gives 1024 x 768, both at (0, 0), whether the file is whole or only its first four lines.
set -u
# Game windows carry no process id, so a window of another test running at the
# same time could be taken for ours: these games get a virtual display of their own.
if [ -z "${TARVO_OWN_DISPLAY:-}" ]; then
  TARVO_OWN_DISPLAY=1 exec "$(dirname "$0")/../../scripts/headless.sh" bash "$0" "$@"
fi
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/game.sh"
trap 'stop_game; rm -rf "${WORKDIR:-}"' EXIT

# Runs the game on the settings text $1 and checks the window is $2 x $3 at (0, 0).
check_window() {
  make_workdir
  printf '%s' "$1" >"$WORKDIR/tarvo.ini"
  start_game
  wait_window || fail "window did not open"
  read -r x y w h < <(window_geometry)
  [ "$w" = "$2" ] && [ "$h" = "$3" ] || fail "window is ${w}x${h}, expected $2x$3"
  [ "$x" = 0 ] && [ "$y" = 0 ] || fail "window at ($x, $y), expected (0, 0)"
  stop_game
  rm -rf "$WORKDIR"
  echo "window $2x$3 at (0, 0)"
}

check_window $'music= 0\neffects= 0\nresolution= 0\nmode= 0\n' 640 480

check_window $'music= 0\neffects= 0\nresolution= 2\nmode= 0\ndifficulty= 11.000000
camAngleX= 0.000000\ncamAngleY= 0.000000\ncamAngleZ= 0.000000\ncamZoom= 0.000000
p1name: \nplayer 1\np2name: \nplayer 2
p1Up= 97\np1Down= 122\np1Pass= 32\np2Up= 101\np2Down= 103\np2Pass= 100\n' 1024 768
