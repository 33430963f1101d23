#!/usr/bin/env bash
# A bounded fuzz run of the replay reader (see lib/fuzz.sh): any bytes must read without a fault, and a
# replay it takes must give every step it counted and write its header back the same.
set -u
BUILD_DIR=$2
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
source "$SOURCE_DIR/tests/e2e/lib/fuzz.sh"
run_fuzzer replay-fuzz "$SOURCE_DIR/tests/fuzz/replays" 8192 -- \
  "$SOURCE_DIR/tests/fuzz/replay_fuzz.cpp" "$SOURCE_DIR/src/match/replay_file.cpp" "$SOURCE_DIR/src/match/record.cpp" -- \
  "$SOURCE_DIR/src/match/replay_file.h" "$SOURCE_DIR/src/core/game_state.h" "$SOURCE_DIR/src/match/record.h"
echo "replay reader fuzzed for ${FUZZ_SECONDS:-20} s without a fault"
