#!/usr/bin/env bash
# Plays the real game on a virtual display and saves pictures of the intro, every menu page, the join page
# with two hosts of this machine on it, and a match on each playground as PNG files. Usage: scripts/screenshots.sh GAME BUILD_DIR OUT_DIR (make screenshots).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
GAME=$(realpath "$1")
BUILD_DIR=$(realpath "$2")
mkdir -p "$3"
OUT=$(realpath "$3")
source "$ROOT/tests/e2e/lib/game.sh"
own_display "$0" "$@"
export SDL_AUDIODRIVER=dummy

make_workdir
printf 'music= 0\neffects= 0\nresolution= 1\nmode= 0\n' >"$WORKDIR/tarvo.ini"

# Saves the window as $OUT/$1.png.
save() {
  screenshot "$OUT/$1.png"
  echo "saved $OUT/$1.png"
}

# Points of the 640 x 480 menu screen, y from the top.
at() { pointer_to_menu "$1" "$2"; sleep 0.4; }

start_game
wait_window || fail "window did not open"
focus_game
# The logos meet two seconds into the intro, shake, and the background fades.
sleep 2.8
save intro
sleep 7
at 590 240
save menu-main
at 320 184
save menu-main-hover
click; sleep 0.4
at 249 227
save menu-playground
tap_key Escape; sleep 0.4
at 320 284; click; sleep 0.4
at 590 240
save menu-settings
at 320 234; click; sleep 0.4
save menu-keys-player1
tap_key Escape; sleep 0.4
at 320 284; click; sleep 0.4
save menu-keys-player2
tap_key Escape; sleep 0.4
at 493 234; click; sleep 0.4
save menu-name-player1
tap_key Return; sleep 0.4
at 493 284; click; sleep 0.4
save menu-name-player2
tap_key Return; sleep 0.4
at 320 384; click; sleep 0.4
at 320 334; click; sleep 0.4
at 590 240
save menu-exit
tap_key Escape; sleep 0.4

# A match on each playground: player 1 serves, the picture is taken mid-flight.
match() {
  at 320 184; click; sleep 0.4
  at "$1" 227; click; sleep 1.5
  hold_key space 0.1
  sleep 0.45
  save "match-$2"
  tap_key Escape; sleep 0.6
}
match 249 tennis
match 391 futuristic

# The join page with two hosts of this machine found on it: one free, one whose
# guest has joined (its match is for watching). Each runs on a display of its own.
helpers=()
for side in free busy guest; do
  mkdir -p "$WORKDIR/$side"
  ln -s "$BUILD_DIR/data" "$WORKDIR/$side/data"
done
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 11\ncamAngleX= 0\ncamAngleY= 0\ncamAngleZ= 0\ncamZoom= 0\np1name: \nmira\n' \
  >"$WORKDIR/free/tarvo.ini"
sed 's/^mira$/jonas/' "$WORKDIR/free/tarvo.ini" >"$WORKDIR/busy/tarvo.ini"
(cd "$WORKDIR/free" && exec "$ROOT/scripts/headless.sh" "$GAME" --host --no-port-mapping --port 47330 >/dev/null 2>&1) &
helpers+=($!)
(cd "$WORKDIR/busy" && exec "$ROOT/scripts/headless.sh" "$GAME" --host --no-port-mapping --port 47331 >/dev/null 2>&1) &
helpers+=($!)
sleep 1
(cd "$WORKDIR/guest" && exec "$ROOT/scripts/headless.sh" "$GAME" --join 127.0.0.1:47331 >/dev/null 2>&1) &
helpers+=($!)
at 320 234; click; sleep 0.4
at 320 284; click; sleep 3
at 320 210
save menu-join
tap_key Escape; sleep 0.4
tap_key Escape; sleep 0.4
pkill -f -- "--no-port-mapping --port 4733[01]"
pkill -f -- "--join 127.0.0.1:47331"
wait "${helpers[@]}" 2>/dev/null

quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the game ended with status $EXIT_STATUS"
[ ! -s "$WORKDIR/stderr" ] || fail "the game wrote to its standard error: $(cat "$WORKDIR/stderr")"
