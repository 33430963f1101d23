#!/usr/bin/env bash
# Peak resident memory of the real game through start-up, one match and the exit, beside the bare floor; prints JSON.
# Usage: bench/peak_memory.sh <build folder> [seconds of match]   (needs an X display: run it under xvfb-run)
set -euo pipefail

build=$(cd "$1" && pwd)
match_seconds=${2:-15}
work=$(mktemp -d /tmp/tarvo-bench-memory.XXXXXX)
game_pid=

cleanup() {
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
    kill "$game_pid" 2>/dev/null || true
    wait "$game_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "peak_memory: $*" >&2
  exit 1
}

ln -s "$build/data" "$work/data"
# Window mode at 800 x 600, music and effects on; the other lines are the defaults.
cat >"$work/tarvo.ini" <<'INI'
music= 1
effects= 1
resolution= 1
mode= 0
difficulty= 11.000000
camAngleX= 0.000000
camAngleY= 0.000000
camAngleZ= 0.000000
camZoom= 0.000000
p1name: 
player 1
p2name: 
player 2
p1Up= 97
p1Down= 122
p1Pass= 32
p2Up= 101
p2Down= 103
p2Pass= 100
INI

export SDL_AUDIODRIVER=dummy
(cd "$work" && exec "$build/tarvo-rink" >"$work/stdout" 2>"$work/stderr") &
game_pid=$!

status_kb() {  # field of /proc/<pid>/status, in kB
  awk -v field="$1:" '$1 == field { print $2 }' "/proc/$game_pid/status"
}

checkpoints=""
checkpoint() {
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended before: $1"
  local entry
  entry=$(printf '{"moment": "%s", "rss_kb": %s, "hwm_kb": %s}' "$1" "$(status_kb VmRSS)" "$(status_kb VmHWM)")
  checkpoints="${checkpoints:+$checkpoints, }$entry"
  last_hwm=$(status_kb VmHWM)
}

window=
for _ in $(seq 1 200); do
  window=$(xdotool search --onlyvisible --name '^Tarvo Rink$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || fail "the game exited before its window showed: $(cat "$work/stderr")"
  sleep 0.1
done
[ -n "$window" ] || fail "no game window after 20 s"

# Menu places in 640 x 480 units (y from the top), scaled to the 800 x 600 window.
point() { xdotool mousemove --window "$window" $(($1 * 800 / 640)) $(($2 * 600 / 480)); sleep 0.3; }
click() { point "$1" "$2"; xdotool click 1; sleep 0.5; }

sleep 2
checkpoint "start-up done, intro running"
xdotool windowfocus "$window" 2>/dev/null || true
xdotool key Escape
sleep 1.5
checkpoint "main menu"
click 320 184  # single player
click 391 227  # the futuristic playground
sleep 1
checkpoint "match started"
xdotool keydown space
sleep "$match_seconds"
xdotool keyup space
checkpoint "after ${match_seconds} s of the match"
xdotool key Escape
sleep 1.5
checkpoint "back in the menu"
click 320 334  # exit
click 257 304  # yes
for _ in $(seq 1 100); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
exit_status=null
if ! kill -0 "$game_pid" 2>/dev/null; then
  exit_status=0
  wait "$game_pid" || exit_status=$?
  game_pid=
fi

floor_kb=$(cd "$work" && "$build/bench/tarvo-bench-bare" 5 | awk '/^VmHWM:/ { print $2 }')

printf '{"match_seconds": %s, "checkpoints": [%s], "peak_kb": %s, "floor_kb": %s, "exit_status": %s}\n' \
  "$match_seconds" "$checkpoints" "$last_hwm" "${floor_kb:-null}" "$exit_status"
