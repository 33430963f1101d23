#!/usr/bin/env bash
# A bounded fuzz run of the settings reader: builds the libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into the build directory and feeds it mutations of the committed corpus.
# FUZZ_SECONDS sets the length of the run (20 s by default).
set -u
BUILD_DIR=$2
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$BUILD_DIR/fuzz
TARGET=$OUT/settings-fuzz
SOURCES=("$SOURCE_DIR/tests/fuzz/settings_fuzz.cpp" "$SOURCE_DIR/src/app/settings.cpp" "$SOURCE_DIR/src/app/game_state.cpp"
  "$SOURCE_DIR/src/app/paths.cpp")
HEADERS=("$SOURCE_DIR/src/app/settings.h" "$SOURCE_DIR/src/app/game_state.h" "$SOURCE_DIR/src/app/paths.h")

fail() {
  echo "FAIL: $*"
  exit 1
}

command -v clang++ >/dev/null || fail "clang++ is missing (bash scripts/setup.sh test installs it)"
mkdir -p "$OUT"

# Rebuilt only when a source or header is newer than the target.
stale=0
[ -x "$TARGET" ] || stale=1
for file in "${SOURCES[@]}" "${HEADERS[@]}"; do [ "$file" -nt "$TARGET" ] && stale=1; done
if [ $stale = 1 ]; then
  clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$SOURCE_DIR/src" "${SOURCES[@]}" -o "$TARGET.part" || fail "fuzz target did not build"
  mv "$TARGET.part" "$TARGET"
fi

# New inputs the fuzzer finds go to a scratch corpus in the build directory,
# never into the committed one; a crashing input is kept beside the target.
rm -rf "$OUT/corpus"
mkdir -p "$OUT/corpus"
# Every input is written as a tarvo.ini: in memory where possible, and removed
# afterwards even when the fuzzer stops on a fault.
WORK=$(mktemp -d /dev/shm/tarvo-fuzz.XXXXXX 2>/dev/null || mktemp -d /tmp/tarvo-fuzz.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
TARVO_FUZZ_WORKDIR=$WORK ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$TARGET" -max_total_time="${FUZZ_SECONDS:-20}" -max_len=8192 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$OUT/" -print_final_stats=1 "$OUT/corpus" "$SOURCE_DIR/tests/fuzz/corpus" \
  >"$OUT/last-run.log" 2>&1
status=$?
tail -n 25 "$OUT/last-run.log"
[ $status = 0 ] || fail "the fuzzer stopped with status $status (see $OUT/last-run.log)"
echo "settings reader fuzzed for ${FUZZ_SECONDS:-20} s without a fault"
