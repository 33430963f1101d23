#!/usr/bin/env bash
# A copy of data/ without menu/close.jpg, the last picture of the start-up set: the real game stops at
# start-up with "Image loading failed: " and the image library's text naming the file, and exit status 1.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
export SDL_AUDIODRIVER=dummy

make_workdir_with_data_copy
rm "$WORKDIR/data/pictures/menu/close.jpg"

start_game
wait_exit 20 || fail "the game kept running without menu/close.jpg"
status=$EXIT_STATUS
[ "$status" = 1 ] || fail "exit status $status, expected 1"
lines=$(grep -c '' "$WORKDIR/stderr")
[ "$lines" = 1 ] || fail "expected one line on standard error, got: $(cat "$WORKDIR/stderr")"
grep -qx 'Image loading failed: .*data/pictures/menu/close\.jpg.*' "$WORKDIR/stderr" ||
  fail "unexpected failure line: $(cat "$WORKDIR/stderr")"
echo "stopped at start-up with status 1: $(cat "$WORKDIR/stderr")"
