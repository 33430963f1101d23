# A bounded libFuzzer run of one of the game's readers, shared by the *_fuzz.sh scripts.
# The target is built with clang (AddressSanitizer and UndefinedBehaviorSanitizer on) into the build
# directory, rebuilt only when a source or header is newer, and fed mutations of its committed corpus;
# new inputs go to a scratch corpus in the build directory, a crashing one is kept beside the target.
# FUZZ_SECONDS sets the length of the run (20 s by default). The fuzzer carries its own sanitizers, so
# the run is left to the plain build.

fuzz_fail() {
  echo "FAIL: $*"
  exit 1
}

# run_fuzzer NAME CORPUS MAX_LEN -- SOURCES... -- HEADERS... ; extra fuzzer options in FUZZ_OPTIONS.
run_fuzzer() {
  local name=$1 corpus=$2 max_len=$3
  shift 4
  local sources=() headers=()
  while [ "$1" != -- ]; do sources+=("$1"); shift; done
  shift
  headers=("$@")
  grep -q '^TARVO_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null && exit 77
  local out=$BUILD_DIR/fuzz target=$BUILD_DIR/fuzz/$name
  command -v clang++ >/dev/null || fuzz_fail "clang++ is missing (bash scripts/setup.sh test installs it)"
  mkdir -p "$out"
  local stale=0 file
  [ -x "$target" ] || stale=1
  for file in "${sources[@]}" "${headers[@]}"; do [ "$file" -nt "$target" ] && stale=1; done
  if [ $stale = 1 ]; then
    clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror \
      -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
      -I "$SOURCE_DIR/src" "${sources[@]}" -o "$target.part" || fuzz_fail "fuzz target did not build"
    mv "$target.part" "$target"
  fi
  rm -rf "$out/$name-corpus"
  mkdir -p "$out/$name-corpus"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$target" -max_total_time="${FUZZ_SECONDS:-20}" -max_len="$max_len" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$out/$name-" -print_final_stats=1 ${FUZZ_OPTIONS:-} "$out/$name-corpus" "$corpus" \
    >"$out/$name.log" 2>&1
  local status=$?
  tail -n 25 "$out/$name.log"
  [ $status = 0 ] || fuzz_fail "the fuzzer stopped with status $status (see $out/$name.log)"
}
