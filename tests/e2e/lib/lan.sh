# A real local network for the end-to-end tests: two network namespaces, A and B, joined by a veth pair,
# so a broadcast goes from one to the other as on a LAN. Each side has its own virtual display started
# inside its namespace (X abstract sockets belong to a network namespace), its own work dir and settings.
# Source after game.sh; needs root and `ip netns` (lan_up skips with status 77 otherwise).
#
#   lan_up                 the namespaces and the link; LAN_A, LAN_B, LAN_BROADCAST hold the addresses
#   lan_side SIDE          SIDE's display (SIDE_DISPLAY) inside its namespace and a fresh work dir (SIDE_DIR)
#   lan_in SIDE cmd...     a command or helper as SIDE: its display, window, game and work dir in place of
#                          game.sh's single ones, its window and game kept for its next call; a game it
#                          starts runs in SIDE's namespace. X clients reach SIDE's display from here too,
#                          through the server's socket file (the file system is shared).
#   lan_exec SIDE cmd...   a program inside SIDE's namespace, with SIDE's display
#   lan_ask SIDE ADDRESS [SECONDS]   asks ADDRESS (a broadcast address too) who hosts, from SIDE, and
#                          prints one line "ADDRESS FREE PORT NAME" for each host that answered

LAN_HEADLESS=$E2E_LIB/../../../scripts/headless.sh
# The question's version byte is the game's protocol version.
LAN_VERSION=$(sed -n 's/.*NET_PROTOCOL_VERSION = \([0-9]*\).*/\1/p' "$E2E_LIB/../../../src/net/protocol.h")

lan_skip() {
  echo "skipped: $*"
  exit 77
}

# Claims a number N (1-250) no other run holds: the first for which this run creates namespace $1 with
# N put for its "N" (a name taken by a run in progress fails to be created); sets N. Skips without root.
lan_claim() {
  [ "$(id -u)" = 0 ] || lan_skip "network namespaces need root"
  ip netns list >/dev/null 2>&1 || lan_skip "no 'ip netns' here"
  local tries error name
  for (( tries = 0; tries < 250; tries++ )); do
    N=$(( ($$ + tries) % 250 + 1 )) name=${1//N/$N}
    error=$(ip netns add "$name" 2>&1) && return 0
    ip netns list | grep -q "^$name\b" || lan_skip "cannot create a network namespace: $error"
  done
  echo "FAIL: every namespace like $1 is taken"
  exit 1
}

# Claims a subnet 10.77.N.0/24 no other run holds (lan_claim). Sets LAN_NS_A, LAN_NS_B, LAN_A, LAN_B,
# LAN_BROADCAST.
lan_up() {
  lan_claim tarvo-lanN-a
  local n=$N
  LAN_NS_A=tarvo-lan$n-a
  LAN_NS_B=tarvo-lan$n-b
  LAN_A=10.77.$n.1
  LAN_B=10.77.$n.2
  LAN_BROADCAST=10.77.$n.255
  trap lan_down EXIT
  ip netns add "$LAN_NS_B" || fail "cannot create $LAN_NS_B"
  ip link add "tlan$n-a" netns "$LAN_NS_A" type veth peer name "tlan$n-b" netns "$LAN_NS_B" ||
    lan_skip "cannot make a veth pair"
  local side
  for side in A B; do
    local ns=LAN_NS_$side address=LAN_$side dev=tlan$n-${side,}
    ip -n "${!ns}" addr add "${!address}/24" broadcast "$LAN_BROADCAST" dev "$dev" &&
      ip -n "${!ns}" link set "$dev" up && ip -n "${!ns}" link set lo up || fail "cannot set up $dev"
  done
  # The link carries once both ends are up: a moment after.
  for tries in $(seq 1 50); do
    ip -n "$LAN_NS_A" link show "tlan$n-a" | grep -q LOWER_UP &&
      ip -n "$LAN_NS_B" link show "tlan$n-b" | grep -q LOWER_UP && return 0
    sleep 0.1
  done
  fail "the link between A and B did not come up"
}

# Everything the run started, whatever way it ends: both games, both displays, whatever still runs in
# the namespaces, the namespaces (the veth pair goes with them) and the work dirs. A failed run shows
# each side's standard error and keeps its evidence under Testing/e2e-failures/<test>/<side>.
lan_down() {
  local status=$?
  lan_sides_down "$status" A B
  lan_namespaces_down ${LAN_NS_A:-} ${LAN_NS_B:-}
  rm -rf "${A_DIR:-}" "${B_DIR:-}"
  exit "$status"
}

# The games and displays of sides $2...; with a failure status $1, each one's standard error shown and
# its evidence kept first.
lan_sides_down() {
  local status=$1 side pid dir
  shift
  for side in "$@"; do
    dir=${side}_DIR
    if [ "$status" != 0 ] && [ -n "${!dir:-}" ]; then
      [ -s "${!dir}/stderr" ] && sed "s/^/  $side's stderr: /" "${!dir}/stderr"
      lan_in "$side" keep_evidence
    fi
    pid=${side}_PID
    [ -n "${!pid:-}" ] && { kill -9 "${!pid}"; wait "${!pid}"; } 2>/dev/null
    # The display's server ends with its holder, its socket and lock files with it.
    pid=${side}_SERVER
    [ -n "${!pid:-}" ] && kill "${!pid}" 2>/dev/null
  done
  for side in "$@"; do
    pid=${side}_HOLDER
    [ -n "${!pid:-}" ] && wait "${!pid}" 2>/dev/null
  done
}

# Namespaces $@, whatever still runs in them killed first (a veth goes with its namespace).
lan_namespaces_down() {
  local ns pid
  for ns in "$@"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
  done
}

# Side $1's virtual display, started inside its namespace for as long as the script runs (held by a
# sleeping process, SIDE_SERVER), and a fresh work dir with the game's data and no settings file.
lan_side() {
  local side=$1 ns=LAN_NS_$1 file
  file=$(mktemp)
  ip netns exec "${!ns}" "$LAN_HEADLESS" bash -c 'echo "$DISPLAY $$" >"$1"; exec sleep 100000' _ "$file" 2>/dev/null &
  eval "${side}_HOLDER=\$!"
  for _ in $(seq 1 300); do [ -s "$file" ] && break; sleep 0.1; done
  read -r "${side}_DISPLAY" "${side}_SERVER" <"$file"
  rm -f "$file"
  local display=${side}_DISPLAY
  [ -n "${!display:-}" ] || fail "no virtual display in namespace ${!ns}"
  make_workdir
  eval "${side}_DIR=\$WORKDIR"
  WORKDIR=
}

lan_in() {
  local side=$1 ns=LAN_NS_$1
  shift
  # Locals: outside lan_in the script has no game of its own, so a failure there blames neither side.
  local -x DISPLAY
  local WINDOW WINDOW_W WINDOW_H GAME_PID WORKDIR
  eval "DISPLAY=\$${side}_DISPLAY WINDOW=\${${side}_WINDOW:-} WINDOW_W=\${${side}_W:-} \
    WINDOW_H=\${${side}_H:-} GAME_PID=\${${side}_PID:-} WORKDIR=\$${side}_DIR"
  E2E_NAME=$(basename "$0" .sh)/$side GAME_LAUNCHER="ip netns exec ${!ns}" "$@"
  local status=$?
  eval "${side}_WINDOW=\$WINDOW ${side}_W=\$WINDOW_W ${side}_H=\$WINDOW_H ${side}_PID=\$GAME_PID"
  return $status
}

lan_exec() {
  local ns=LAN_NS_$1 display=${1}_DISPLAY
  shift
  ip netns exec "${!ns}" env DISPLAY="${!display:-}" "$@"
}

lan_ask() {
  lan_exec "$1" python3 -S - "$2" "${3:-2}" "$LAN_VERSION" <<'PY'
import socket, sys, time
address, wait, version = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
s.settimeout(0.2)
question = b'TRL?' + bytes([version, 0, 0, 0])
heard, end, asked = set(), time.time() + wait, 0
while time.time() < end:
    if time.time() - asked >= 0.5:  # asked again, as a looking guest does
        s.sendto(question, (address, 47313))
        asked = time.time()
    try:
        data, (ip, _) = s.recvfrom(64)
    except socket.timeout:
        continue
    if len(data) != 16 or data[:4] != b'TRL!' or data[4] != version:
        continue
    line = '%s %d %d %s' % (ip, data[5], data[6] << 8 | data[7], data[8:].rstrip(b'\0').decode('latin-1'))
    if line not in heard:
        heard.add(line)
        print(line, flush=True)
PY
}
