#!/usr/bin/env bash
# A bounded fuzz run of the network packet readers, finding hosts', the lobby's and the relay's too (see lib/fuzz.sh): any bytes must read without a
# fault, and whatever a reader takes must hold usable values and write back to the same bytes.
set -u
BUILD_DIR=$2
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
source "$SOURCE_DIR/tests/e2e/lib/fuzz.sh"
run_fuzzer packet-fuzz "$SOURCE_DIR/tests/fuzz/packets" 256 -- \
  "$SOURCE_DIR/tests/fuzz/packet_fuzz.cpp" "$SOURCE_DIR/src/net/protocol.cpp" "$SOURCE_DIR/src/net/discovery.cpp" "$SOURCE_DIR/src/net/lobby_messages.cpp" "$SOURCE_DIR/src/net/turn_messages.cpp" "$SOURCE_DIR/src/match/record.cpp" -lcrypto -- "$SOURCE_DIR/src/net/protocol.h" "$SOURCE_DIR/src/net/discovery.h" "$SOURCE_DIR/src/net/lobby_messages.h" "$SOURCE_DIR/src/net/turn_messages.h" "$SOURCE_DIR/src/core/platform.h" "$SOURCE_DIR/src/core/game_state.h" "$SOURCE_DIR/src/match/record.h"
echo "packet readers fuzzed for ${FUZZ_SECONDS:-20} s without a fault"
