#!/usr/bin/env bash
# A bounded fuzz run of the settings reader (see lib/fuzz.sh): any tarvo.ini must read without a fault.
set -u
BUILD_DIR=$2
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
source "$SOURCE_DIR/tests/e2e/lib/fuzz.sh"

# Every input is written as a tarvo.ini: in memory where possible, and removed
# afterwards even when the fuzzer stops on a fault.
WORK=$(mktemp -d /dev/shm/tarvo-fuzz.XXXXXX 2>/dev/null || mktemp -d /tmp/tarvo-fuzz.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export TARVO_FUZZ_WORKDIR=$WORK
run_fuzzer settings-fuzz "$SOURCE_DIR/tests/fuzz/corpus" 8192 -- \
  "$SOURCE_DIR/tests/fuzz/settings_fuzz.cpp" "$SOURCE_DIR/src/core/settings.cpp" "$SOURCE_DIR/src/core/game_state.cpp" \
  "$SOURCE_DIR/src/core/paths.cpp" -- \
  "$SOURCE_DIR/src/core/settings.h" "$SOURCE_DIR/src/core/game_state.h" "$SOURCE_DIR/src/core/paths.h"
echo "settings reader fuzzed for ${FUZZ_SECONDS:-20} s without a fault"
