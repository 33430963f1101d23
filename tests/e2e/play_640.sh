#!/usr/bin/env bash
# The whole game played through at 640 x 480 in a window, music off and effects on, so every effect is heard
# alone: every page, a match against the computer on "futuristic", two players on "tennis" (the short flow
# in the sanitizer build).
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"

SETTINGS=$'music= 0\neffects= 1\nresolution= 0\nmode= 0\n'
MUSIC=0 EFFECTS=1 RESOLUTION=0 MODE=0
EXPECT_W=640 EXPECT_H=480
play_whole_game
