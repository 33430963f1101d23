# A home network behind a router, and the internet beyond it, for the end-to-end tests: three network
# namespaces made for the run. "home" holds the host (10.78.N.2/24, its default route via the router),
# "router" forwards between its LAN side (10.78.N.1) and its WAN side (203.0.113.1/24), masquerading
# what leaves there, and runs Debian's miniupnpd (NAT-PMP and UPnP-IGD); "outside" holds the guest
# (203.0.113.2/24) and a STUN responder on that address and a second one (203.0.113.3), which tells the
# router that its own address is one the internet reaches. Nothing links them to the machine's network.
# Source after game.sh and lan.sh; needs root, `ip netns`, miniupnpd and iptables-legacy (router_up skips
# with status 77 otherwise).
#
#   router_up                    the namespaces, the links and the STUN responder; HOME_HOST, ROUTER_LAN,
#                                ROUTER_WAN and GUEST hold the addresses
#   router_side home|outside     that side's display and work dir (lan.sh's lan_side)
#   router_in home|outside cmd   a command or helper as that side, as lan.sh's lan_in
#   router_daemon_start [no-natpmp]  miniupnpd in the router, NAT-PMP on unless told; returns once it
#                                answers and knows its address is reachable
#   router_daemon_stop           miniupnpd stopped, its mappings gone with its chains' rules
#   router_heard TEXT            true when the daemon's log holds TEXT
#   router_natpmp_silent on|off  the router's NAT-PMP port drops what reaches it (a router that never answers)
#   router_mappings              the mappings the router holds: "PROTOCOL PORT HOST:PORT" a line

# miniupnpd, iptables-legacy and sysctl live in /usr/sbin, which a shell's PATH may lack.
export PATH="$PATH:/usr/sbin:/sbin"
ROUTER_STUN=$E2E_LIB/../../tools/stun_responder.py
ROUTER_WAN=203.0.113.1
GUEST=203.0.113.2
ROUTER_STUN_ALTERNATE=203.0.113.3

# The router's tables: miniupnpd's iptables backend writes them through libiptc, the legacy tables.
router_tables() { ip netns exec "$ROUTER_NS" iptables-legacy -w "$@"; }

# Claims N as lan_up claims its subnet (lan_claim), by the home namespace.
router_up() {
  command -v miniupnpd >/dev/null || lan_skip "no miniupnpd (Debian's miniupnpd-iptables)"
  command -v iptables-legacy >/dev/null || lan_skip "no iptables-legacy (Debian's iptables)"
  lan_claim tarvo-rtN-home
  local n=$N
  LAN_NS_home=tarvo-rt$n-home
  ROUTER_NS=tarvo-rt$n-router
  LAN_NS_outside=tarvo-rt$n-outside
  HOME_HOST=10.78.$n.2
  ROUTER_LAN=10.78.$n.1
  ROUTER_LAN_IF=trt$n-lan
  ROUTER_WAN_IF=trt$n-wan
  ROUTER_DIR=$(mktemp -d /tmp/tarvo-router.XXXXXX)
  trap router_down EXIT
  ip netns add "$ROUTER_NS" && ip netns add "$LAN_NS_outside" || fail "cannot create the router's namespaces"
  ip link add "$ROUTER_LAN_IF" netns "$ROUTER_NS" type veth peer name "trt$n-home" netns "$LAN_NS_home" &&
    ip link add "$ROUTER_WAN_IF" netns "$ROUTER_NS" type veth peer name "trt$n-out" netns "$LAN_NS_outside" ||
    lan_skip "cannot make a veth pair"
  local ns dev address links="$LAN_NS_home trt$n-home $HOME_HOST/24
$ROUTER_NS $ROUTER_LAN_IF $ROUTER_LAN/24
$ROUTER_NS $ROUTER_WAN_IF $ROUTER_WAN/24
$LAN_NS_outside trt$n-out $GUEST/24
$LAN_NS_outside trt$n-out $ROUTER_STUN_ALTERNATE/24"
  while read -r ns dev address; do
    ip -n "$ns" addr add "$address" dev "$dev" && ip -n "$ns" link set "$dev" up && ip -n "$ns" link set lo up ||
      fail "cannot set up $dev"
  done <<<"$links"
  ip -n "$LAN_NS_home" route add default via "$ROUTER_LAN" || fail "no default route in home"
  ip netns exec "$ROUTER_NS" sysctl -qw net.ipv4.ip_forward=1 || fail "no forwarding in the router"
  # A home router's firewall: out from home freely, back in only what answers it or what miniupnpd
  # opened; its chains where miniupnpd looks for them, made here as its iptables_init.sh makes them.
  router_tables -P FORWARD DROP &&
    router_tables -A FORWARD -i "$ROUTER_LAN_IF" -o "$ROUTER_WAN_IF" -j ACCEPT &&
    router_tables -A FORWARD -m conntrack --ctstate ESTABLISHED,RELATED -j ACCEPT &&
    router_tables -N MINIUPNPD && router_tables -A FORWARD -i "$ROUTER_WAN_IF" ! -o "$ROUTER_WAN_IF" -j MINIUPNPD &&
    router_tables -t nat -N MINIUPNPD && router_tables -t nat -A PREROUTING -i "$ROUTER_WAN_IF" -j MINIUPNPD &&
    router_tables -t nat -N MINIUPNPD-POSTROUTING &&
    router_tables -t nat -A POSTROUTING -o "$ROUTER_WAN_IF" -j MINIUPNPD-POSTROUTING &&
    router_tables -t nat -A POSTROUTING -o "$ROUTER_WAN_IF" -j MASQUERADE || lan_skip "the router's iptables chains could not be made"
  # The links carry once both ends are up: a moment after.
  while read -r ns dev address; do
    for tries in $(seq 1 50); do ip -n "$ns" link show "$dev" | grep -q LOWER_UP && break; sleep 0.1; done
    (( tries < 50 )) || fail "the router's link $dev did not come up"
  done <<<"$links"
  ip netns exec "$LAN_NS_outside" python3 -S "$ROUTER_STUN" "$GUEST" "$ROUTER_STUN_ALTERNATE" \
    >"$ROUTER_DIR/stun.log" 2>&1 &
  ROUTER_STUN_PID=$!
  for tries in $(seq 1 100); do [ -s "$ROUTER_DIR/stun.log" ] && break; sleep 0.1; done
  grep -q '^STUN: answering' "$ROUTER_DIR/stun.log" || fail "the STUN responder did not start: $(cat "$ROUTER_DIR/stun.log")"
}

router_side() { lan_side "$@"; }
router_in() { lan_in "$@"; }

router_listens() { ip netns exec "$ROUTER_NS" ss -Hlun "sport = :$1" | grep -q .; }

# True when the router daemon's log has a line holding $1: what it was asked and did.
router_heard() { grep -qF -- "$1" "$ROUTER_DIR/miniupnpd.log"; }

router_daemon_start() {
  local natpmp=yes
  [ "${1:-}" = no-natpmp ] && natpmp=no
  cat >"$ROUTER_DIR/miniupnpd.conf" <<EOF
ext_ifname=$ROUTER_WAN_IF
listening_ip=$ROUTER_LAN_IF
ipv6_disable=yes
enable_natpmp=$natpmp
enable_upnp=yes
secure_mode=yes
uuid=$(cat /proc/sys/kernel/random/uuid)
allow 1024-65535 ${ROUTER_LAN%.1}.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
ext_perform_stun=yes
ext_stun_host=$GUEST
EOF
  : >"$ROUTER_DIR/miniupnpd.log"
  ip netns exec "$ROUTER_NS" miniupnpd -d -f "$ROUTER_DIR/miniupnpd.conf" -P "$ROUTER_DIR/miniupnpd.pid" \
    >>"$ROUTER_DIR/miniupnpd.log" 2>&1 &
  ROUTER_PID=$!
  # Ready once STUN has found the address reachable and the router listens for UPnP's searches (and
  # NAT-PMP's requests).
  local tries
  for tries in $(seq 1 300); do
    router_heard "Port forwarding is now enabled" && router_listens 1900 &&
      { [ $natpmp = no ] || router_listens 5351; } && return 0
    kill -0 "$ROUTER_PID" 2>/dev/null || break
    sleep 0.1
  done
  fail "miniupnpd did not come up"
}

# Stopped as a router is switched off: what it held is flushed from its chains.
router_daemon_stop() {
  [ -n "${ROUTER_PID:-}" ] && { kill "$ROUTER_PID"; wait "$ROUTER_PID"; } 2>/dev/null
  ROUTER_PID=
  router_tables -F MINIUPNPD && router_tables -t nat -F MINIUPNPD && router_tables -t nat -F MINIUPNPD-POSTROUTING
}

router_natpmp_silent() {
  local rule=(INPUT -i "$ROUTER_LAN_IF" -p udp --dport 5351 -j DROP)
  if [ "$1" = on ]; then router_tables -I "${rule[@]}"; else router_tables -D "${rule[@]}"; fi
}

# One line a mapping: the protocol and external port from the nat chain's rule, the host and port it
# leads to from the filter chain's (iptables prints the DNAT target libiptc wrote as an "unsupported
# revision"). miniupnpd adds and removes the two together, in the same order.
router_mappings() {
  paste -d ' ' <(router_tables -t nat -S MINIUPNPD | sed -n 's/.* -p \([a-z]*\) .*--dport \([0-9]*\) .*/\1 \2/p') \
    <(router_tables -S MINIUPNPD | sed -n 's|.* -d \([0-9.]*\)/32 .*--dport \([0-9]*\) .*|\1:\2|p')
}

# Everything the run started, whatever way it ends, as lan.sh's lan_down does for its sides; a failed
# run shows the end of the router daemon's log too.
router_down() {
  local status=$? pid
  lan_sides_down "$status" home outside
  [ "$status" != 0 ] && [ -s "${ROUTER_DIR:-}/miniupnpd.log" ] &&
    grep -v parse_stun_response "$ROUTER_DIR/miniupnpd.log" | tail -n 20 | sed 's/^/  router: /'
  for pid in ${ROUTER_PID:-} ${ROUTER_STUN_PID:-}; do { kill -9 "$pid"; wait "$pid"; } 2>/dev/null; done
  lan_namespaces_down ${LAN_NS_home:-} ${ROUTER_NS:-} ${LAN_NS_outside:-}
  rm -rf "${home_DIR:-}" "${outside_DIR:-}" "${ROUTER_DIR:-}"
  exit "$status"
}
