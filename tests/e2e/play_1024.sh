#!/usr/bin/env bash
# The short flow at 1024 x 768 in a window, music on and effects off: the intro, the menu, the settings, a match
# against the computer and the exit, at the largest size and with the effects silent.
set -u
source "$(dirname "$0")/lib/game.sh"
# The sanitizer build plays the short flow once, in play_640; this variant plays in the plain build.
BUILD_DIR=$2 sanitizer_build && exit 77
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
PLAY_FLOW=short  # every page and both matches are played in play_640
source "$(dirname "$0")/lib/play.sh"

SETTINGS=$'music= 1\neffects= 0\nresolution= 2\nmode= 0\n'
MUSIC=1 EFFECTS=0 RESOLUTION=2 MODE=0
EXPECT_W=1024 EXPECT_H=768
play_whole_game
