# Two homes on the internet and the lobby between them, for the end-to-end tests of meeting by a room
# code: five network namespaces made for the run, none linked to the machine's network. "internet"
# holds the lobby (scripts/lobby.sh: mosquitto and coturn) at 198.51.100.1 on a bridge that stands for
# the internet. Homes a and b each have a game namespace (a: 10.79.N.2/24, b: 10.80.N.2/24, its default
# route via .1) behind a router namespace whose WAN side is on that bridge (a: 198.51.100.11, b:
# 198.51.100.12). Each router masquerades what leaves its WAN side, forwards everything its home
# sends, and lets in from the WAN side only what answers something sent from inside, to its home and
# to itself alike: a punch from the far side that reached the router itself before its home had sent
# anything would leave a connection of the router's own holding the very address and port its home's
# mapping needs, and the home's first packet out would leave from another port. The routers keep a
# home's port on the way out (MASQUERADE keeps it when it is free); internet_symmetric makes one map
# every new destination to a random port instead.
# Source after game.sh and lan.sh; needs root, `ip netns`, iptables-legacy, mosquitto, coturn and
# mosquitto-clients (internet_up skips with status 77 otherwise).
#
#   internet_up                   the namespaces and links; LOBBY, HOME_A, HOME_B, WAN_A and WAN_B hold
#                                 the addresses
#   internet_side a|b|internet    that side's display (<side>_DISPLAY) in its namespace and a fresh work
#                                 dir (<side>_DIR), as lan.sh's lan_side
#   internet_in a|b|internet cmd...   a helper of game.sh or play.sh as that side, as lan.sh's lan_in
#                                 (after internet_side: a game it starts runs in that side's namespace),
#                                 or any other program run inside that side's namespace (with its
#                                 display when it has one)
#   internet_router a|b cmd...    a program inside that home's router
#   internet_symmetric a|b        that home's router maps each new destination to a random port of its
#                                 own, as a symmetric NAT does (before the games start); internet_cone
#                                 makes it keep the home's port again
#   internet_carrier a|b [symmetric]  that home behind its provider's NAT too (a carrier namespace on the
#                                 home's WAN address, its router on 100.64.N.2 behind it), a cone or symmetric
#   lobby_start                   scripts/lobby.sh on LOBBY in "internet", in the background; returns
#                                 once it has said it is up. LOBBY_PID, LOBBY_DIR (its temporary folder),
#                                 LOBBY_DAEMONS (mosquitto's and coturn's pids), LOBBY_LOG (its stderr)
#   lobby_stop                    lobby.sh stopped by SIGTERM; returns its status

# iptables-legacy, mosquitto and sysctl live in /usr/sbin, which a shell's PATH may lack.
export PATH="$PATH:/usr/sbin:/sbin"
INTERNET_LOBBY=$E2E_LIB/../../../scripts/lobby.sh
LOBBY=198.51.100.1
WAN_A=198.51.100.11
WAN_B=198.51.100.12

# Claims N as lan_up claims its subnet (lan_claim), by the internet namespace.
internet_up() {
  local need
  for need in iptables-legacy:iptables mosquitto:mosquitto turnserver:coturn mosquitto_sub:mosquitto-clients; do
    command -v "${need%%:*}" >/dev/null || lan_skip "no ${need%%:*} (Debian's ${need#*:})"
  done
  lan_claim tarvo-netN-inet
  local n=$N side
  INTERNET_N=$n
  LAN_NS_internet=tarvo-net$n-inet
  LAN_NS_a=tarvo-net$n-a LAN_NS_b=tarvo-net$n-b
  INTERNET_ROUTER_a=tarvo-net$n-a-rt INTERNET_ROUTER_b=tarvo-net$n-b-rt
  HOME_A=10.79.$n.2 HOME_B=10.80.$n.2
  INTERNET_DIR=$(mktemp -d /tmp/tarvo-internet.XXXXXX)
  trap internet_down EXIT
  ip netns add "$LAN_NS_a" && ip netns add "$LAN_NS_b" && ip netns add "$INTERNET_ROUTER_a" &&
    ip netns add "$INTERNET_ROUTER_b" || fail "cannot create the homes' namespaces"
  local inet=$LAN_NS_internet links=""
  # A bridge of its own address: one taken from its ports would change as internet_carrier swaps a port,
  # and the routers would send to the lobby's old one until their neighbour entries went stale.
  ip -n "$inet" link add "tn$n-net" address 02:54:52:00:00:01 type bridge || lan_skip "cannot make the internet's bridge"
  internet_link "$inet" "tn$n-net" "$LOBBY/24" || fail "cannot set up the internet's bridge"
  for side in a b; do
    local home=LAN_NS_$side router=INTERNET_ROUTER_$side address=HOME_${side^} wan=WAN_${side^} dev=tn$n-$side
    local lan=${!address%.2}.1
    ip link add "$dev-lan" netns "${!router}" type veth peer name "$dev" netns "${!home}" &&
      ip link add "$dev-wan" netns "${!router}" type veth peer name "$dev-net" netns "$inet" ||
      lan_skip "cannot make a veth pair"
    ip -n "$inet" link set "$dev-net" master "tn$n-net" up &&
      internet_link "${!home}" "$dev" "${!address}/24" && ip -n "${!home}" route add default via "$lan" &&
      internet_link "${!router}" "$dev-lan" "$lan/24" && internet_link "${!router}" "$dev-wan" "${!wan}/24" ||
      fail "cannot set up home $side's links"
    ip netns exec "${!router}" sysctl -qw net.ipv4.ip_forward=1 || fail "no forwarding in home $side's router"
    internet_router_firewall "$side" || lan_skip "home $side's router's iptables rules could not be made"
    links+="${!home} $dev
${!router} $dev-lan
${!router} $dev-wan
"
  done
  # The links carry once both ends are up: a moment after.
  local ns tries
  while read -r ns dev; do
    for (( tries = 0; tries < 50; tries++ )); do ip -n "$ns" link show "$dev" | grep -q LOWER_UP && break; sleep 0.1; done
    (( tries < 50 )) || fail "the link $dev did not come up"
  done <<<"${links%$'\n'}"
}

# Address $3 on device $2 of namespace $1, the device and the namespace's loopback up.
internet_link() {
  ip -n "$1" addr add "$3" dev "$2" && ip -n "$1" link set "$2" up && ip -n "$1" link set lo up
}

internet_router() {
  local router=INTERNET_ROUTER_$1
  shift
  ip netns exec "${!router}" "$@"
}

# Home $1's router's firewall and masquerade, as a home router's are.
internet_router_firewall() {
  local wan=tn$INTERNET_N-$1-wan lan=tn$INTERNET_N-$1-lan
  internet_router "$1" iptables-legacy -w -t nat -A POSTROUTING -o "$wan" -j MASQUERADE &&
    internet_router "$1" iptables-legacy -w -P FORWARD DROP &&
    internet_router "$1" iptables-legacy -w -A FORWARD -i "$lan" -o "$wan" -j ACCEPT &&
    internet_router "$1" iptables-legacy -w -A FORWARD -i "$wan" -m state --state ESTABLISHED,RELATED -j ACCEPT &&
    internet_router "$1" iptables-legacy -w -A INPUT -i "$wan" -m state --state ESTABLISHED,RELATED -j ACCEPT &&
    internet_router "$1" iptables-legacy -w -A INPUT -i "$wan" -j DROP
}

internet_symmetric() {
  internet_router "$1" iptables-legacy -w -t nat -R POSTROUTING 1 -o "tn$INTERNET_N-$1-wan" -j MASQUERADE --random-fully ||
    fail "home $1's router could not be made symmetric"
}

# Home $1's router as it was: its home's port kept on the way out.
internet_cone() {
  internet_router "$1" iptables-legacy -w -t nat -R POSTROUTING 1 -o "tn$INTERNET_N-$1-wan" -j MASQUERADE ||
    fail "home $1's router could not be made a cone again"
}

# Home $1 behind its provider's own NAT as well: its router's WAN side moves onto the provider's network
# (100.64.N.0/24, the router at .2), and a carrier namespace takes the home's place on the internet,
# masquerading (with $2 "symmetric", to a random port for each new destination) and letting in only
# answers, as the home's router does.
internet_carrier() {
  local side=$1 n=$INTERNET_N wan=WAN_${1^} carrier=tarvo-net$INTERNET_N-$1-cg
  local router=INTERNET_ROUTER_$side dev=tn$n-$side inner=100.64.$n
  INTERNET_CARRIER=$carrier
  ip netns add "$carrier" || fail "cannot create the carrier's namespace"
  ip -n "$LAN_NS_internet" link set "$dev-net" netns "$carrier" &&
    internet_link "$carrier" "$dev-net" "$inner.1/24" &&
    ip -n "${!router}" addr flush dev "$dev-wan" && ip -n "${!router}" addr add "$inner.2/24" dev "$dev-wan" &&
    ip -n "${!router}" route add default via "$inner.1" &&
    ip link add "$dev-cg" netns "$carrier" type veth peer name "$dev-cgnet" netns "$LAN_NS_internet" &&
    ip -n "$LAN_NS_internet" link set "$dev-cgnet" master "tn$n-net" up &&
    internet_link "$carrier" "$dev-cg" "${!wan}/24" &&
    ip netns exec "$carrier" sysctl -qw net.ipv4.ip_forward=1 || fail "cannot put home $side behind a carrier"
  local rule=(-t nat -A POSTROUTING -o "$dev-cg" -j MASQUERADE)
  [ "${2:-}" = symmetric ] && rule+=(--random-fully)
  ip netns exec "$carrier" iptables-legacy -w "${rule[@]}" &&
    ip netns exec "$carrier" iptables-legacy -w -P FORWARD DROP &&
    ip netns exec "$carrier" iptables-legacy -w -A FORWARD -i "$dev-net" -o "$dev-cg" -j ACCEPT &&
    ip netns exec "$carrier" iptables-legacy -w -A FORWARD -i "$dev-cg" -m state --state ESTABLISHED,RELATED -j ACCEPT &&
    ip netns exec "$carrier" iptables-legacy -w -A INPUT -i "$dev-cg" -m state --state ESTABLISHED,RELATED -j ACCEPT &&
    ip netns exec "$carrier" iptables-legacy -w -A INPUT -i "$dev-cg" -j DROP || fail "the carrier's rules could not be made"
  local tries
  for (( tries = 0; tries < 50; tries++ )); do ip -n "$carrier" link show "$dev-cg" | grep -q LOWER_UP && break; sleep 0.1; done
}

internet_side() { lan_side "$@"; }

internet_in() {
  if [ "$(type -t "$2")" = function ]; then lan_in "$@"; else lan_exec "$@"; fi
}

lobby_start() {
  LOBBY_LOG=$INTERNET_DIR/lobby.stderr
  ip netns exec "$LAN_NS_internet" bash "$INTERNET_LOBBY" "$LOBBY" >"$INTERNET_DIR/lobby.stdout" 2>"$LOBBY_LOG" &
  LOBBY_PID=$!
  local tries
  for (( tries = 0; tries < 300; tries++ )); do
    [ -s "$INTERNET_DIR/lobby.stdout" ] && break
    kill -0 "$LOBBY_PID" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "^Lobby up on $LOBBY:" "$INTERNET_DIR/lobby.stdout" ||
    fail "the lobby did not come up: $(cat "$INTERNET_DIR/lobby.stdout") $(grep lobby.sh: "$LOBBY_LOG")"
  # Its daemons are the only other programs in the internet's namespace; mosquitto's configuration
  # lies in the lobby's folder.
  local pid
  LOBBY_DAEMONS='' LOBBY_DIR=''
  for pid in $(ip netns pids "$LAN_NS_internet"); do
    case $(cat "/proc/$pid/comm" 2>/dev/null) in
      mosquitto) LOBBY_DIR=$(dirname "$(tr '\0' '\n' <"/proc/$pid/cmdline" | sed -n '/^-c$/{n;p}')") ;;
      turnserver) ;;
      *) continue ;;
    esac
    LOBBY_DAEMONS+=" $pid"
  done
}

lobby_stop() {
  kill -TERM "$LOBBY_PID" 2>/dev/null
  wait "$LOBBY_PID"
  local status=$?
  LOBBY_PID=
  return $status
}

# Everything the run started, whatever way it ends, as lan.sh's lan_down does for its sides: the lobby
# first asked to stop, so that it removes its folder; a failed run shows the end of the lobby's log.
internet_down() {
  local status=$? tries
  # All of it, even in a shell that stops at the first command that fails (bench/net_play.sh's).
  set +e
  lan_sides_down "$status" a b internet
  [ "$status" != 0 ] && [ -s "${LOBBY_LOG:-}" ] && tail -n 20 "$LOBBY_LOG" | sed 's/^/  lobby: /'
  if [ -n "${LOBBY_PID:-}" ]; then
    kill -TERM "$LOBBY_PID" 2>/dev/null
    for (( tries = 0; tries < 50; tries++ )); do kill -0 "$LOBBY_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  lan_namespaces_down ${LAN_NS_a:-} ${LAN_NS_b:-} ${INTERNET_ROUTER_a:-} ${INTERNET_ROUTER_b:-} ${INTERNET_CARRIER:-} \
    ${LAN_NS_internet:-}
  rm -rf "${a_DIR:-}" "${b_DIR:-}" "${internet_DIR:-}" "${INTERNET_DIR:-}" "${LOBBY_DIR:-}"
  exit "$status"
}
