#!/usr/bin/env bash
# Runs every end-to-end script of a build several times in a row with both cores
# kept busy beside it, to shake out the races that a quiet machine hides.
#
# Usage: scripts/loaded-e2e.sh [BUILD_DIR [RUNS [PATTERN]]]   (build, 5, every script)
# A busy loop per core runs for as long as this does. Each script runs RUNS times,
# one run at a time, stopping at its first failure (whose log is kept beside the
# build's other test logs); the table of passes goes to standard output.
set -u
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$SOURCE/build}" && pwd) || exit 2
RUNS=${2:-5}
PATTERN=${3:-}
GAME=$BUILD/tarvo-rink
[ -x "$GAME" ] || { echo "no game at $GAME: build it first (make build)" >&2; exit 2; }
LOGS=$BUILD/Testing/loaded
mkdir -p "$LOGS"

load=()
for _ in $(seq 1 "$(nproc)"); do
  bash -c 'while :; do :; done' &
  load+=($!)
done
trap 'kill "${load[@]}" 2>/dev/null' EXIT

failed=0
printf '| script | passes in a row | seconds a run |\n|---|---|---|\n'
for script in "$SOURCE"/tests/e2e/*.sh; do
  name=$(basename "$script" .sh)
  [ -n "$PATTERN" ] && [[ $name != $PATTERN ]] && continue
  passes=0 skipped=0 started=$SECONDS
  for run in $(seq 1 "$RUNS"); do
    (cd "$BUILD" && ASAN_OPTIONS=detect_leaks=0 bash "$script" "$GAME" "$BUILD") >"$LOGS/$name.log" 2>&1
    status=$?
    [ $status = 77 ] && { skipped=1; break; }
    [ $status = 0 ] || break
    passes=$run
  done
  if [ $skipped = 1 ]; then
    printf '| %s | skipped here | |\n' "$name"
    continue
  fi
  (( passes == RUNS )) || { failed=1; cp "$LOGS/$name.log" "$LOGS/$name.failed.log"; }
  printf '| %s | %d of %d%s | %d |\n' "$name" "$passes" "$RUNS" "$( (( passes < RUNS )) && echo ', then failed')" \
    $(( (SECONDS - started) / (passes + (passes < RUNS ? 1 : 0)) ))
done
exit $failed
