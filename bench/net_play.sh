#!/usr/bin/env bash
# Network play measured on two real games, each on its own virtual display: own-bat key-to-pixels for the
# host and for the guest, corrections, jumps and traffic from both sides' "Network stats:" lines, direct on
# loopback and through tests/tools/udp_relay.py at 75 +- 15 ms each way with 3 % lost and 3 % doubled;
# beside the same key-to-pixels figure of a local two-player match. The "punched" link plays the same match
# between two homes of the test internet (tests/e2e/lib/internet.sh), met through the lobby by the room
# code and punched through both routers; the "relayed" link plays it between two symmetric routers, which
# no punch gets through, so the guest plays through the lobby's TURN relay, the relay's datagrams counted
# on the lobby's bridge (relay_capture.py). Without root, `ip netns`, mosquitto or coturn those two are
# skipped and say why. Prints JSON; progress goes to stderr.
#
# Usage: bench/net_play.sh <build folder>      (needs an X display: run it under scripts/headless.sh)
# Knobs (environment): TARVO_NET_PRESSES (20 key presses a bat); TARVO_NET_KEEP=1 keeps the work folder
# (probe lines, stats lines, the relay's counts) and says where.
set -euo pipefail

build=$(cd "${1:?usage: bench/net_play.sh <build folder>}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
game=$build/tarvo-rink
probe=$build/bench/tarvo-key-probe
peer=$build/bench/tarvo-net-peer
# Stand-in watchers of the "watched" link, each saying how far it has the holds, as a watching game does.
WATCHERS=4
relay=$here/../tests/tools/udp_relay.py
presses=${TARVO_NET_PRESSES:-20}
# Bat 1 on the host's screen and bat 2 on the guest's, where a rally starts and
# 35 units beyond either way, as key_response.sh watches bat 1.
HOST_BAT="84 180 98 303"
GUEST_BAT="538 180 556 303"
# The impaired link, each way alike; a fixed seed, so two runs lose the same datagrams.
RELAY_DELAY=75 RELAY_JITTER=15 RELAY_LOSS=3 RELAY_DUPLICATE=3 RELAY_SEED=7
# The host's difficulty, the game's own: a bat held moves 10 ms / 11 * 0.01 a step.
DIFFICULTY=11

[ -n "${DISPLAY:-}" ] || { echo "net_play: needs an X display (run it under scripts/headless.sh)" >&2; exit 1; }
[ -x "$game" ] && [ -x "$probe" ] || { echo "net_play: no game or key probe in $build (build with -DTARVO_BENCH=ON)" >&2; exit 1; }
[ -d "$build/data/pictures" ] || { echo "net_play: no pictures in $build/data" >&2; exit 1; }
source "$here/key_response.sh"
export SDL_AUDIODRIVER=dummy
started=$SECONDS
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
work=$(mktemp -d /tmp/tarvo-bench-net.XXXXXX)
host_DISPLAY=$DISPLAY
host_PID= guest_PID= relay_PID= second_server=

stop_pid() {
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop_key_match
  stop_pid "$host_PID"
  stop_pid "$guest_PID"
  stop_pid "$relay_PID"
  [ -n "$second_server" ] && kill "$second_server" 2>/dev/null
  [ -n "${TARVO_NET_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "net_play: $*" >&2
  exit 1
}
say() { echo "   [${SECONDS}s] $*" >&2; }

free_port() {
  python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])'
}

# The guest's virtual display: a second server, for as long as this script runs.
display_file=$work/display
"$here/../scripts/headless.sh" bash -c 'echo "$DISPLAY $$" >"$1"; exec sleep 100000' _ "$display_file" 2>/dev/null &
for _ in $(seq 1 300); do [ -s "$display_file" ] && break; sleep 0.1; done
read -r guest_DISPLAY second_server <"$display_file" || true
[ -n "${guest_DISPLAY:-}" ] || fail "no second virtual display"

# Starts a game as side $1 (host or guest) on its display, in a fresh folder with
# a 640 x 480 window, music and effects off, difficulty $DIFFICULTY; the rest goes to the game. Sets
# <side>_PID, <side>_DIR and <side>_WINDOW. <side>_LAUNCH, when set, is a command the game is started
# through (its home's network namespace on the test internet).
start_side() {
  local side=$1 dir window= pid launch
  shift
  dir=$(mktemp -d "$work/$side.XXXXXX")
  ln -s "$build/data" "$dir/data"
  printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= %s\n' "$DIFFICULTY" >"$dir/tarvo.ini"
  eval "export DISPLAY=\$${side}_DISPLAY launch=\${${side}_LAUNCH:-}"
  (cd "$dir" && TARVO_NET_STATS=1 exec $launch "$game" "$@" >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
  for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name '^Tarvo Rink$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the $side ended before its window showed: $(cat "$dir/stderr")"
    sleep 0.1
  done
  [ -n "$window" ] || fail "no $side window after 30 s"
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  eval "${side}_PID=$pid ${side}_DIR=$dir ${side}_WINDOW=$window"
  export DISPLAY=$host_DISPLAY
}

# A fingerprint of side $1's window as it shows now.
look() {
  eval "DISPLAY=\$${1}_DISPLAY xwd -silent -id \$${1}_WINDOW" | md5sum | cut -d' ' -f1
}

# The host clicks tennis on its two-player page until its match starts (a click
# there starts nothing until the guest has come), then the guest's screen must
# change from its waiting screen to the match.
start_network_match() {
  local page waiting tries w h
  waiting=$(look guest)
  key_menu_click "$host_WINDOW" 320 234  # two players
  read -r w h < <(key_window_size "$host_WINDOW")
  for tries in $(seq 1 20); do
    xdotool mousemove --window "$host_WINDOW" $((249 * w / 640)) $((227 * h / 480))  # tennis
    sleep 0.3
    page=$(look host)
    xdotool mousedown 1 sleep 0.06 mouseup 1
    sleep 0.7
    [ "$(look host)" != "$page" ] && break
    (( tries < 20 )) || fail "the host's tennis click started no match within 20 tries (no guest?)"
  done
  for _ in $(seq 1 50); do
    [ "$(look guest)" != "$waiting" ] && break
    sleep 0.2
  done
  [ "$(look guest)" != "$waiting" ] || fail "the guest's screen did not change to the match"
  # The match screens, the bats at rest; the probe waits for the region to stand still.
  sleep 1
}

# Times $presses presses of keys $2 (in turn) on window $1 over region $3 of the
# display in use, for what $4 names; prints the probe's summary line.
probe_window() {
  local lines
  lines=$(measure_keys "$probe" "$1" "$2" "$3" --presses "$presses") || fail "the probe on $4 failed: $lines"
  printf '%s\n' "$lines" >>"$work/probe.log"
  printf '%s\n' "$lines" | grep '^presses=' || fail "no summary from the probe on $4"
}

# The same on side $1's own bat (keys a and z), region $2.
probe_side() {
  (
    eval "export DISPLAY=\$${1}_DISPLAY"
    probe_window "$(eval echo "\$${1}_WINDOW")" a,z "$2" "the $1's own bat"
  )
}

# One link: "direct" on loopback, "watched" the same with $WATCHERS stand-in watchers of the match,
# or "relay" through the impairing relay. Writes $work/<link>.txt with the probe summaries, both stats
# lines, each watcher's traffic and the relay's counts.
measure_link() {
  local link=$1 port join host_line guest_line watchers=()
  port=$(free_port)
  join=127.0.0.1:$port
  start_side host --host --no-port-mapping --port "$port"
  xdotool key Escape  # the menu at once, no intro
  sleep 0.6
  if [ "$link" = relay ]; then
    local relay_port
    relay_port=$(free_port)
    python3 "$relay" --listen "$relay_port" --to "127.0.0.1:$port" --delay $RELAY_DELAY --jitter $RELAY_JITTER \
      --loss $RELAY_LOSS --duplicate $RELAY_DUPLICATE --seed $RELAY_SEED --stats "$work/relay.stats" &
    relay_PID=$!
    join=127.0.0.1:$relay_port
  fi
  start_side guest --join "$join"
  sleep 1
  start_network_match
  if [ "$link" = watched ]; then
    for n in $(seq 1 $WATCHERS); do
      "$peer" watcher 127.0.0.1 "$port" 60 >"$work/watcher.$n" &
      watchers+=($!)
    done
    sleep 2  # each sent the match and on its holds
  fi
  measure_match "$link"
  for pid in "${watchers[@]}"; do kill -INT "$pid" 2>/dev/null || true; done
  if [ "$link" = watched ]; then
    for n in $(seq 1 $WATCHERS); do
      for _ in $(seq 1 100); do grep -q '^watched:' "$work/watcher.$n" && break; sleep 0.1; done
      grep -q '^connected' "$work/watcher.$n" || fail "stand-in watcher $n was not let in: $(cat "$work/watcher.$n")"
      echo "watcher $(grep '^watched:' "$work/watcher.$n")" >>"$work/$link.txt"
    done
  fi
  if [ -n "$relay_PID" ]; then
    stop_pid "$relay_PID"
    relay_PID=
    [ -s "$work/relay.stats" ] || fail "$link: the relay wrote no counts"
    sed 's/^/relay /' "$work/relay.stats" >>"$work/$link.txt"
    check_relay "$work/relay.stats" "$host_line" "$guest_line"
  fi
  finish_link "$link"
  [ "$link" = relay ] && say "$link: $(tr '\n' ';' <"$work/relay.stats")"
  return 0
}

# The match on between host and guest: both own bats timed, the match ended from the host, and both
# sides' "Network stats:" lines read (into host_line and guest_line) and added with the probes'
# summaries to $work/$1.txt.
measure_match() {
  local link=$1 host_probe guest_probe
  say "$link: match on; the host's bat"
  host_probe=$(probe_side host "$HOST_BAT")
  say "$link: the guest's bat"
  guest_probe=$(probe_side guest "$GUEST_BAT")
  xdotool windowfocus "$host_WINDOW" 2>/dev/null || true
  xdotool key Escape  # ends the match for both
  for _ in $(seq 1 100); do
    grep -q '^Network stats:' "$host_DIR/stderr" && grep -q '^Network stats:' "$guest_DIR/stderr" && break
    sleep 0.1
  done
  host_line=$(grep -m1 '^Network stats:' "$host_DIR/stderr") || fail "$link: no network stats from the host"
  guest_line=$(grep -m1 '^Network stats:' "$guest_DIR/stderr") || fail "$link: no network stats from the guest"
  {
    echo "host_bat $host_probe"
    echo "guest_bat $guest_probe"
    echo "host_stats $host_line"
    echo "guest_stats $guest_line"
  } >>"$work/$link.txt"
}

# Both games of link $1 stopped, and what each side counted said.
finish_link() {
  stop_pid "$guest_PID"
  stop_pid "$host_PID"
  guest_PID= host_PID=
  say "$1: host: $(sed -n 's/^host_stats Network stats: //p' "$work/$1.txt")"
  say "$1: guest: $(sed -n 's/^guest_stats Network stats: //p' "$work/$1.txt")"
}

# Link $1 met through the lobby on the test internet (tests/e2e/lib/internet.sh): the host in home a and
# the guest in home b, each game on a display of its own inside its home, behind routers of kind $2
# ("cone", or "symmetric" as internet_symmetric makes them). The guest joins by the host's room code and
# must say it met the room $3 ("through the routers"), and the host that player 2 met it so; through the
# relay the relay's traffic is counted too (start_capture). Added to $work/met.list, its figures to
# $work/$1.txt as measure_link's; without root, `ip netns`, mosquitto or coturn, written as skipped and
# why. The internet's helpers end the shell they run in, so the link runs in a subshell of its own,
# which takes the namespaces, the displays and the lobby down as it ends.
measure_met() {
  local link=$1 status
  echo "$link" >>"$work/met.list"
  printf 'routers %s\npath %s\n' "$2" "$3" >"$work/$link.txt"
  set +e
  (set -e; met_link "$@") >"$work/$link.log"
  status=$?
  set -e
  if [ "$status" = 77 ]; then
    echo "skipped $(sed -n 's/^skipped: //p' "$work/$link.log" | head -n 1)" >>"$work/$link.txt"
    say "$link: skipped ($(sed -n 's/^skipped //p' "$work/$link.txt"))"
  elif [ "$status" != 0 ]; then
    sed "s/^/   $link: /" "$work/$link.log" >&2
    fail "$link: the match met through the lobby failed"
  fi
}

met_link() {
  local link=$1 routers=$2 path=$3 started=$SECONDS code= met= joining
  GAME=$game BUILD_DIR=$build
  source "$here/../tests/e2e/lib/game.sh"
  source "$here/../tests/e2e/lib/lan.sh"
  source "$here/../tests/e2e/lib/internet.sh"
  internet_up
  if [ "$routers" = symmetric ]; then
    internet_symmetric a
    internet_symmetric b
  fi
  internet_side a
  internet_side b
  host_DISPLAY=$a_DISPLAY guest_DISPLAY=$b_DISPLAY
  host_LAUNCH="ip netns exec $LAN_NS_a" guest_LAUNCH="ip netns exec $LAN_NS_b"
  export DISPLAY=$host_DISPLAY
  lobby_start
  say "$link: the lobby up at $LOBBY; home a $HOME_A behind $WAN_A, home b $HOME_B behind $WAN_B ($routers)"
  [ "$path" = "through the relay" ] && start_capture "$link"
  start_side host --host --lobby "$LOBBY" --no-port-mapping
  xdotool key Escape  # the menu at once, no intro
  for _ in $(seq 1 300); do
    code=$(sed -n 's/^room \([2-9A-Z]\{6\}\)$/\1/p' "$host_DIR/stdout")
    [ -n "$code" ] && break
    sleep 0.1
  done
  [ -n "$code" ] || fail "$link: the host said no room code in 30 s: $(cat "$host_DIR/stdout" "$host_DIR/stderr")"
  joining=$EPOCHREALTIME
  start_side guest --lobby "$LOBBY" --join "$code"
  for _ in $(seq 1 300); do
    met=$(grep -m1 '^met room ' "$guest_DIR/stdout" || true)
    [ -n "$met" ] && break
    sleep 0.1
  done
  [[ $met == "met room $code $path at "* ]] ||
    fail "$link: the guest said not that it met room $code $path: ${met:-nothing in 30 s} $(cat "$guest_DIR/stderr")"
  printf 'met %s\nmeet_seconds %s\n' "${met##* at }" \
    "$(awk -v a="$joining" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')" >>"$work/$link.txt"
  say "$link: room $code met $path at ${met##* at }"
  sleep 1
  start_network_match
  grep -q "^player 2 met $path at " "$host_DIR/stdout" ||
    fail "$link: the host said not that player 2 met it $path: $(cat "$host_DIR/stdout")"
  measure_match "$link"
  finish_link "$link"
  [ -z "$capture_PID" ] || relay_counts "$link"
  echo "seconds $((SECONDS - started))" >>"$work/$link.txt"
}

# The relay's datagrams counted as they cross the lobby's own bridge (relay_capture.py, in the internet's
# namespace, where internet_down ends it whatever happens), from before the guest starts.
capture_PID=
start_capture() {
  rm -f "$work/$1.capture" "$work/$1.capture.ready"
  ip netns exec "$LAN_NS_internet" python3 "$here/relay_capture.py" "tn$INTERNET_N-net" "$LOBBY" "$work/$1.capture" &
  capture_PID=$!
  for _ in $(seq 1 100); do [ -e "$work/$1.capture.ready" ] && return; sleep 0.1; done
  fail "$1: the capture on the lobby's bridge did not start"
}

# Once the guest has ended, and with it its allocation: the capture's counts added to $work/$1.txt.
# (coturn 4.6 logs an allocation's own counts, "usage" and "peer usage", only when it runs --verbose,
# which the lobby's coturn does not.)
relay_counts() {
  sleep 0.3  # the release on its way through router b
  kill -TERM "$capture_PID"
  wait "$capture_PID" || fail "$1: the capture on the lobby's bridge failed"
  capture_PID=
  grep -q '^guest_to_relay .* channel=[1-9]' "$work/$1.capture" ||
    fail "$1: no ChannelData from the guest on the lobby's bridge: $(cat "$work/$1.capture")"
  sed 's/^/capture /' "$work/$1.capture" >>"$work/$1.txt"
  say "$1: $(tr '\n' ';' <"$work/$1.capture")"
}

# The relay must have been in the path: datagrams, drops and doubles each way in
# its counts ($1), and roll-backs as deep as its delay. A key that changes on one
# side reaches the other a one-way delay later, so however the two sides' step
# counts stand apart, the deepest roll-backs of the two (from stats lines $2, $3)
# add up to at least the round trip less the jitter, in 10 ms steps.
check_relay() {
  local way least host_deepest guest_deepest
  for way in to_host to_guest; do
    grep -Eq "^$way datagrams=[1-9][0-9]* .*dropped=[1-9][0-9]* doubled=[1-9]" "$1" ||
      fail "relay: no datagrams, drops or doubles $way: $(grep "^$way" "$1" || echo nothing)"
  done
  least=$(((RELAY_DELAY - RELAY_JITTER) * 2 / 10))
  host_deepest=$(sed -n 's/.*deepest \([0-9]*\) steps.*/\1/p' <<<"$2")
  guest_deepest=$(sed -n 's/.*deepest \([0-9]*\) steps.*/\1/p' <<<"$3")
  ((${host_deepest:-0} + ${guest_deepest:-0} >= least)) ||
    fail "relay: deepest roll-backs ${host_deepest:-?} and ${guest_deepest:-?} steps, less than the ${least} steps of the round trip: the relay was not in the path"
}

# A local two-player match on the host's display (key_response.sh's), timed on
# bat 1 (a, z) and bat 2 (Up, Down); written to $work/$1.txt.
measure_local() {
  local bat1 bat2
  start_key_match "$game" "$build" || fail "the local match did not start"
  bat1=$(probe_window "$KEY_WINDOW" a,z "$HOST_BAT" "bat 1 of the local match")
  bat2=$(probe_window "$KEY_WINDOW" Up,Down "$GUEST_BAT" "bat 2 of the local match")
  printf 'bat1 %s\nbat2 %s\n' "$bat1" "$bat2" >"$work/$1.txt"
  stop_key_match
}

say "local two-player match, alone"
measure_local local
# The same beside a second game drawing its own two-player match on the other
# display, as the guest does during a network match: the two games then share
# the machine's cores (each draws as fast as it can).
say "local two-player match, a second game drawing beside it"
start_side guest
(
  export DISPLAY=$guest_DISPLAY
  xdotool key Escape
  sleep 0.6
  key_menu_click "$guest_WINDOW" 320 234  # two players
  key_menu_click "$guest_WINDOW" 320 184  # this computer
  key_menu_click "$guest_WINDOW" 249 227  # tennis
)
measure_local beside
stop_pid "$guest_PID"
guest_PID=
measure_link direct
measure_met punched cone "through the routers"
measure_met relayed symmetric "through the relay"
measure_link watched
measure_link relay

python3 - "$work" "$((SECONDS - started))" "$presses" "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)" \
  "$RELAY_DELAY" "$RELAY_JITTER" "$RELAY_LOSS" "$RELAY_DUPLICATE" "$DIFFICULTY" <<'PY'
import json, os, re, sys

folder, seconds, presses, load_before, load_after = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
delay, jitter, loss, duplicate, difficulty = (float(value) for value in sys.argv[6:11])
NUMBER = r"(-?[\d.]+)"
# The parts of a "Network stats:" line, by name.
STATS = {
    "steps": r"(\d+) steps", "seconds": r"in " + NUMBER + r" s", "rollbacks": r"(\d+) roll-backs",
    "deepest": r"deepest (\d+) steps", "corrections": r"(\d+) corrections",
    "corrections_a_minute": r"\(" + NUMBER + r" a minute\)", "ball_jump_mean": r"ball jump mean " + NUMBER,
    "ball_jump_max": r"ball jump mean [\d.]+ max " + NUMBER, "bat_jump_mean": r"other bat jump mean " + NUMBER,
    "bat_jump_max": r"other bat jump mean [\d.]+ max " + NUMBER, "waits": r"(\d+) waits",
    "bytes_out": r"(\d+) bytes out", "bytes_out_per_s": r"bytes out \(" + NUMBER + r"/s\)",
    "bytes_in": r"(\d+) in \(", "bytes_in_per_s": r"\d+ in \(" + NUMBER + r"/s\)",
    "taken_from_host": r"(\d+) taken from the host",
}


def words(text):
    return {key: float(value) for key, value in re.findall(r"(\w+)=(-?[\d.]+)", text)}


def stats(line):
    found = {"line": line}
    for name, pattern in STATS.items():
        match = re.search(pattern, line)
        found[name] = float(match.group(1)) if match else None
    return found


def read(name):
    entry = {}
    with open(os.path.join(folder, name + ".txt"), encoding="utf-8") as handle:
        for line in handle:
            kind, _, rest = line.rstrip("\n").partition(" ")
            if kind.endswith("_bat") or kind.startswith("bat"):
                entry[kind] = words(rest)
            elif kind.endswith("_stats"):
                entry[kind] = stats(rest)
            elif kind == "watcher":
                entry.setdefault("watchers", []).append(words(rest))
            elif kind in ("relay", "capture"):
                way, _, counts = rest.partition(" ")
                entry.setdefault(kind, {})[way] = words(counts)
            elif kind in ("meet_seconds", "seconds"):
                entry[kind] = float(rest)
            elif kind in ("routers", "path", "met", "skipped"):
                entry[kind] = rest
    return entry


# The links met through the lobby, each in the order measured, skipped or not.
with open(os.path.join(folder, "met.list"), encoding="utf-8") as handle:
    met = [dict(read(name), name=name) for name in handle.read().split()]
links = [dict(read("direct"), name="direct", delay_ms=0, jitter_ms=0, loss_percent=0, duplicate_percent=0)] + met + [
    dict(read("watched"), name="watched", delay_ms=0, jitter_ms=0, loss_percent=0, duplicate_percent=0),
    dict(read("relay"), name="relay", delay_ms=delay, jitter_ms=jitter, loss_percent=loss, duplicate_percent=duplicate)]
# How far a held bat moves in a step, in the match's units.
bat_step = 10 * 0.01 / difficulty
print(json.dumps({"presses": presses, "bat_step": bat_step, "seconds": seconds, "load_before": load_before, "load_after": load_after,
                  "local": read("local"), "beside": read("beside"), "links": links}, indent=1))
PY
say "done in $((SECONDS - started)) s"
