#!/usr/bin/env bash
# With music and effects both 0 in tarvo.ini the real game opens no audio and reads no sound file: it
# runs without data/sound/ and with an audio driver that does not exist, and says nothing about sound.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
# Any attempt to open audio would fail and print a line.
export SDL_AUDIODRIVER=no-such-driver

WORKDIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
mkdir "$WORKDIR/data" "$WORKDIR/shots"
ln -s "$BUILD_DIR/data/pictures" "$WORKDIR/data/pictures"
printf 'music= 0\neffects= 0\nresolution= 1\nmode= 0\n' >"$WORKDIR/tarvo.ini"

start_game
wait_window || fail "window did not open: $(cat "$WORKDIR/stderr")"
skip_intro
hover 320 184
kill -0 "$GAME_PID" 2>/dev/null || fail "the game stopped: $(cat "$WORKDIR/stderr")"
[ -s "$WORKDIR/stderr" ] && fail "the game printed: $(cat "$WORKDIR/stderr")"
stop_game
echo "no audio opened, no sound read, nothing printed"
