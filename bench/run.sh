#!/usr/bin/env bash
# Runs every benchmark of a build folder and writes bench/RESULTS.md; `make bench` calls it under a virtual X server.
# Usage: bench/run.sh <build folder>
# Knobs (environment): TARVO_BENCH_REPETITIONS (9), TARVO_BENCH_MIN_TIME (0.25 s per repetition),
# TARVO_BENCH_CALLGRIND_FRAMES (10), TARVO_BENCH_MATCH_SECONDS (15), TARVO_NET_PRESSES (20, net_play.sh).
set -euo pipefail

build=$(cd "${1:?usage: bench/run.sh <build folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
out="$build/bench-results"
repetitions=${TARVO_BENCH_REPETITIONS:-9}
min_time=${TARVO_BENCH_MIN_TIME:-0.25}
frames=${TARVO_BENCH_CALLGRIND_FRAMES:-10}
steps=100000
loads=3
match_seconds=${TARVO_BENCH_MATCH_SECONDS:-15}

[ -n "${DISPLAY:-}" ] || { echo "bench/run.sh needs an X display (make bench runs it under xvfb-run)" >&2; exit 1; }
[ -d "$build/data/pictures" ] || { echo "no pictures in $build/data: the asset generator has not run" >&2; exit 1; }
rm -rf "$out"
mkdir -p "$out"
export SDL_AUDIODRIVER=dummy
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== Checks of the bench's own tools"
"$build/bench/tarvo-bench-selftest" --gtest_brief=1
(cd "$build" && ./bench/tarvo-bench-stage-test --gtest_brief=1)
python3 -m unittest discover -s "$here/tests" -p 'test_*.py'

echo "== Timings beside their floors, and allocations per frame (Google Benchmark)"
(cd "$build" && ./bench/tarvo-bench --benchmark_repetitions="$repetitions" --benchmark_min_time="$min_time" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=false \
  --benchmark_out="$out/benchmarks.json" --benchmark_out_format=json)

echo "== Instruction counts (callgrind)"
profile() {
  local name=$1
  shift
  echo "   $name"
  (cd "$build" && valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out/callgrind.$name" \
    ./bench/tarvo-bench-profile "$@" >"$out/callgrind.$name.log" 2>&1) || {
    echo "callgrind run $name failed:" >&2
    tail -n 20 "$out/callgrind.$name.log" >&2
    exit 1
  }
  python3 "$here/callgrind_objects.py" "$out/callgrind.$name.1" tarvo-bench-profile >"$out/callgrind.$name.json"
}
for scene in bare menu tennis futuristic; do profile "frames-$scene" frames "$scene" 800x600 "$frames"; done
profile steps steps "$steps"
for set in base tennis futuristic; do
  profile "load-$set" load "$set" "$loads"
  profile "decode-$set" decode "$set" "$loads"
done

echo "== Resident memory along a row of matches"
(cd "$build" && ./bench/tarvo-bench-profile memory 20 >"$out/matches-memory.json")

echo "== Peak resident memory of the real game"
bash "$here/peak_memory.sh" "$build" "$match_seconds" >"$out/memory.json"

echo "== Network play: two real games, direct, punched between two homes, through the lobby's relay and through an impairing relay"
bash "$here/net_play.sh" "$build" >"$out/net-play.json"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
# The code measured: the commit, and whether the game or the asset generator had changes not yet committed.
source_commit=$(git -C "$here/.." rev-parse --short HEAD 2>/dev/null || echo unknown)
source_changes=$(git -C "$here/.." status --porcelain -- src tools 2>/dev/null | wc -l)
cat >"$out/settings.json" <<JSON
{"repetitions": $repetitions, "min_time": $min_time, "callgrind_frames": $frames, "callgrind_steps": $steps, "callgrind_loads": $loads,
 "load_before": "$load_before", "load_after": "$load_after", "build_type": "$build_type", "data_dir": "$build/data",
 "source_commit": "$source_commit", "source_changes": $source_changes}
JSON

python3 "$here/report.py" "$out" >"$here/RESULTS.md"
echo "== Written: $here/RESULTS.md (raw results in $out)"
