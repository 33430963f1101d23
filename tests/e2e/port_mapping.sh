#!/usr/bin/env bash
# A host behind a home router asks it to forward its port, and a guest on the internet joins through it
# (lib/router.sh: the host in "home", miniupnpd in "router", the guest in "outside", each game on a
# display of its own inside its namespace). With NAT-PMP, --host says on standard output where friends
# on the internet join, the router holds that mapping, the guest joins that address and the host's
# tennis match shows on both; SIGINT mid-match ends the host by that signal, the match kept, the guest
# told and the mapping removed. With the router's NAT-PMP
# off, hosting from the menu: the hosting page says "asking the router..." and then the same, over UPnP;
# the match again; quitting through the menu removes the mapping. With no router daemon, the host says the router opened no
# port and the guest cannot reach it. Plain build only; needs root, `ip netns`, miniupnpd and
# iptables-legacy, or it is skipped.
set -u
source "$(dirname "$0")/lib/game.sh"
# Plain build only: the sanitizer build's share of network play is e2e.network and e2e.lan.
BUILD_DIR=$2 sanitizer_build && exit 77
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"
source "$(dirname "$0")/lib/lan.sh"
source "$(dirname "$0")/lib/router.sh"
router_up
router_side home
router_side outside
log "home $HOME_HOST behind the router $ROUTER_LAN / $ROUTER_WAN; the guest outside at $GUEST"
for dir in "$home_DIR" "$outside_DIR"; do printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\n' >"$dir/tarvo.ini"; done
export SDL_AUDIODRIVER=dummy
JOIN=$ROUTER_WAN:47312
SAID_JOIN="friends on the internet join $JOIN"
# The hosting page's two router lines and the guest's waiting line, at the game's heights (from the bottom).
ROUTER_LINE=100 ADDRESS_LINE=76
WAITING_LINE=224

# ---- Steps -----------------------------------------------------------------------------------------------

# Waits for the host's standard output to say something; fails unless it is the one line $1.
host_said() {
  for _ in $(seq 1 300); do [ -s "$home_DIR/stdout" ] && break; sleep 0.1; done
  local said
  said=$(cat "$home_DIR/stdout")
  [ "$said" = "$1" ] || router_in home fail "the host said not '$1' but: ${said:-nothing}"
}

router_holds() {
  [ "$(router_mappings)" = "$1" ] || fail "the router holds not '$1' but: '$(router_mappings)'"
}

# The host starts, its intro skipped; HOST_SHOT shows its main menu.
host_starts() {
  router_in home start_game "$@"
  router_in home wait_window || fail "the host's window did not open"
  router_in home skip_intro
  router_in home move $AT_NOTHING
  HOST_SHOT=$(router_in home shot host_menu)
}

# The guest outside joins the router's address and waits for the host, whose playground page then shows
# (after a click on two players when $1 is "click", by itself on the hosting page): the host starts
# tennis there, and the match shows on both screens.
match_through_router() {
  router_in outside start_game --join "$JOIN"
  router_in outside wait_window || fail "the guest's window did not open"
  router_in outside await_text guest_waiting "waiting for the host" $WAITING_LINE
  local waiting=$SHOT
  [ "$1" = click ] && router_in home menu_click $AT_TWO
  router_in home move $AT_NOTHING
  router_in home await_change host_playgrounds "$HOST_SHOT" "" 3 "the host's playground page with the guest there"
  router_in home menu_click $AT_TENNIS
  router_in home await_change host_match "$SHOT" "" 3 "the host's match"
  HOST_SHOT=$SHOT
  router_in outside await_change guest_match "$waiting" "" 3 "the guest's match"
}

# The host leaves the match with Escape and quits through its menu: status 0, and the router holds no
# mapping any more. The guest is stopped.
host_quits() {
  router_in home focus_game
  router_in home tap_key Escape
  router_in home move $AT_NOTHING
  router_in home await_change host_back "$HOST_SHOT" "" 3 "the host's screen after its Escape"
  router_in home quit_through_menu
  [ "$EXIT_STATUS" = 0 ] || fail "the host ended with status $EXIT_STATUS"
  router_holds ""
  router_in outside stop_game
}

# The host is ended by signal $1 in the middle of its match, as a terminal's Ctrl+C or a logout ends it: it
# ends by that signal itself, the router holds no mapping, the match is kept as a replay, the settings file
# is as it was, and the guest hears that the host is gone. The guest is stopped.
host_ended_by() {
  local settings
  settings=$(cat "$home_DIR/tarvo.ini")
  kill -"$1" "$home_PID"
  router_in home wait_exit 20 || fail "the host kept running after SIG$1"
  [ "$EXIT_STATUS" = $(( 128 + $(kill -l "$1") )) ] || fail "the host ended by SIG$1 with status $EXIT_STATUS"
  router_holds ""
  [ -s "$home_DIR/replays/last.replay" ] || fail "the host's match was not kept after SIG$1"
  [ "$(cat "$home_DIR/tarvo.ini")" = "$settings" ] || fail "SIG$1 wrote the host's settings"
  for _ in $(seq 1 300); do grep -qx 'Network: host lost' "$outside_DIR/stderr" && break; sleep 0.1; done
  grep -qx 'Network: host lost' "$outside_DIR/stderr" || fail "the guest never heard that the host was gone"
  router_in outside stop_game
}

# --- NAT-PMP: --host says where to join, the guest joins there ------------------------------------------
router_daemon_start
host_starts --host
host_said "Router: $SAID_JOIN"
router_holds "udp 47312 $HOME_HOST:47312"
router_heard "NAT-PMP port mapping request : 47312->$HOME_HOST:47312 udp lifetime=3600s" ||
  fail "the router was not asked over NAT-PMP for port 47312 for an hour"
log "NAT-PMP: the host says '$SAID_JOIN', the router holds the mapping"
match_through_router click
log "the guest outside joined $JOIN; the match shows on both"
host_ended_by INT
log "the host ended by SIGINT mid-match: by that signal, no mapping left, the match kept, the guest told"

# --- UPnP, hosting from the menu: the hosting page asks, then says where to join ------------------------
# The router's NAT-PMP port stays silent until the page is seen asking, so that it asks for as long as
# the game waits for NAT-PMP; then it refuses, and the game goes on to UPnP.
router_daemon_stop
router_daemon_start no-natpmp
router_natpmp_silent on
host_starts
router_in home menu_click $AT_TWO
router_in home menu_click $AT_HOST
router_in home move $AT_NOTHING
router_in home await_text host_asking "asking the router..." $ROUTER_LINE
router_natpmp_silent off
router_in home await_text host_answer "friends on the internet join" $ROUTER_LINE "$JOIN" $ADDRESS_LINE
HOST_SHOT=$SHOT
router_holds "udp 47312 $HOME_HOST:47312"
router_heard "AddPortMapping: ext port 47312 to $HOME_HOST:47312 protocol UDP for: Tarvo Rink leaseduration=3600" ||
  fail "the router was not asked over UPnP for port 47312 for an hour"
[ ! -s "$home_DIR/stdout" ] || fail "hosting from the menu said on standard output: $(cat "$home_DIR/stdout")"
log "UPnP: the hosting page asked the router, then said '$SAID_JOIN'; the router holds the mapping"
match_through_router page
log "the guest outside joined $JOIN; the match shows on both"
host_quits
log "the host quit through its menu: status 0, no mapping left"

# --- No router daemon: no port, and no way in ------------------------------------------------------------
router_daemon_stop
host_starts --host
host_said "Router: the router opened no port: only this network can join"
router_holds ""
router_in outside start_game --join "$JOIN"
router_in outside wait_exit 20 || fail "the guest of a host behind a closed router kept running"
[ "$EXIT_STATUS" = 1 ] || fail "the guest of a host behind a closed router ended with status $EXIT_STATUS"
[ "$(cat "$outside_DIR/stderr")" = "Network: cannot reach $JOIN" ] ||
  fail "the guest of a host behind a closed router said: $(cat "$outside_DIR/stderr")"
log "no router daemon: the host says no port opened; the guest cannot reach $JOIN (status 1)"
echo "a guest on the internet joined a host behind its router over NAT-PMP and over UPnP; no mapping outlived hosting; without the router's help no guest got in"
