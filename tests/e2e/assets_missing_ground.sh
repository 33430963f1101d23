#!/usr/bin/env bash
# A copy of data/ without ground/11.jpg, the tennis floor: the real game starts and runs, plays a match on
# the futuristic playground, and stops with "Image loading failed: " and status 1 only when a tennis match starts.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
export SDL_AUDIODRIVER=dummy

make_workdir_with_data_copy
rm "$WORKDIR/data/pictures/ground/11.jpg"

# Points on the 640 x 480 menu screen, y from the top: main menu "single player"
# (320 184), then the two playground pictures (391 232 futuristic, 249 232 tennis);
# the futuristic floor never stands still, its panel does (0 0 640 30).
start_game
wait_window || fail "window did not open"
skip_intro
kill -0 "$GAME_PID" 2>/dev/null || fail "the game stopped before any match: $(cat "$WORKDIR/stderr")"
menu=$(shot menu)

menu_click 320 184
menu_click 391 232 rest 0 0 640 30
kill -0 "$GAME_PID" 2>/dev/null || fail "the futuristic match stopped the game: $(cat "$WORKDIR/stderr")"
grep -q 'Image loading failed' "$WORKDIR/stderr" && fail "a picture failed before the tennis match"
tap_key Escape
shot_await menu_again "$SCREEN_WAIT" same "$menu" || fail "Escape from the match showed no main menu"

menu_click 320 184
hover 249 232
click
wait_exit 10 || fail "the tennis match started without its floor picture"
status=$EXIT_STATUS
[ "$status" = 1 ] || fail "exit status $status, expected 1"
grep -qx 'Image loading failed: .*data/pictures/ground/11\.jpg.*' "$WORKDIR/stderr" ||
  fail "unexpected standard error: $(cat "$WORKDIR/stderr")"
echo "ran a futuristic match, stopped with status 1 at the tennis match: $(grep 'Image' "$WORKDIR/stderr")"
