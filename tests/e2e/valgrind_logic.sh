#!/usr/bin/env bash
# The logic tests once under valgrind's memcheck: no invalid read or write, no use of an unset value, no
# definite leak. Only in the plain build: the sanitizer build checks the same with its own instruments.
set -u
GAME=$1
BUILD_DIR=$2
if grep -q '^TARVO_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null; then
  echo "sanitizer build: memcheck does not run beside AddressSanitizer, skipped"
  exit 77
fi
command -v valgrind >/dev/null || { echo "FAIL: valgrind is not installed (scripts/setup.sh test installs it)"; exit 1; }
TESTS="$BUILD_DIR/tests/logic-tests"
SUPPRESSIONS=$(cd "$(dirname "$0")/../support" && pwd)/valgrind.supp
[ -x "$TESTS" ] || { echo "FAIL: no logic-tests binary at $TESTS"; exit 1; }

log=$(mktemp /tmp/tarvo-valgrind.XXXXXX)
trap 'rm -f "$log"' EXIT
cd "$BUILD_DIR" || exit 1
SDL_AUDIODRIVER=dummy valgrind --error-exitcode=1 --leak-check=full --show-leak-kinds=definite \
  --suppressions="$SUPPRESSIONS" \
  --errors-for-leak-kinds=definite --track-origins=yes "$TESTS" --gtest_brief=1 >"$log" 2>&1
status=$?
if [ $status -ne 0 ]; then
  cat "$log"
  echo "FAIL: memcheck found errors in the logic tests (status $status)"
  exit 1
fi
grep -E '^\[  PASSED  \]|ERROR SUMMARY' "$log"
