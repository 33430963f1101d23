#!/usr/bin/env bash
# A copy of data/ without menu/over.wav and ground2/music.wav: the real game prints two
# "Sound file loading failed: " lines after its twelve loads and nothing else, and runs on, also when
# the pointer moves over the menu items whose hover sound is missing (and a tune that failed to load
# is not given a volume, which would crash the mixer).
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
export SDL_AUDIODRIVER=dummy

make_workdir_with_data_copy
rm "$WORKDIR/data/sound/menu/over.wav" "$WORKDIR/data/sound/ground2/music.wav"

start_game
wait_window || fail "window did not open: $(cat "$WORKDIR/stderr")"
skip_intro
for y in 184 234 284 334 184; do hover 320 "$y"; done
kill -0 "$GAME_PID" 2>/dev/null || fail "the game stopped: $(cat "$WORKDIR/stderr")"
failed=$(grep -c '^Sound file loading failed: ' "$WORKDIR/stderr")
lines=$(grep -c '' "$WORKDIR/stderr")
[ "$failed" = 2 ] && [ "$lines" = 2 ] || fail "expected exactly two sound failure lines, got: $(cat "$WORKDIR/stderr")"
stop_game
echo "two failure lines and the game ran on: $(head -n 1 "$WORKDIR/stderr")"
