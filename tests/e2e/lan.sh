#!/usr/bin/env bash
# Two real games on a real local network (lib/lan.sh): namespaces A and B joined by a veth pair, each game
# on a display of its own inside its namespace, driven by X input. A question broadcast from B reaches
# the discovery port in A and an answer comes back to B; a guest in B joins the host in A by its address
# and waits; the host starts a two-player tennis match, both screens show it with both names in their
# panels, the guest's key moves bat 2 on the host's screen; the guest's Escape ends it with status 0 and
# the host says "player 2 left". Needs root and `ip netns`, or it is skipped.
set -u
source "$(dirname "$0")/lib/game.sh"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"
source "$(dirname "$0")/lib/lan.sh"
lan_up
lan_side A
lan_side B
log "namespaces $LAN_NS_A ($LAN_A) and $LAN_NS_B ($LAN_B), displays $A_DISPLAY and $B_DISPLAY"

# --- A broadcast question from B reaches port 47313 in A, and the answer comes back ----------------
# Heard by a one-shot listener standing where a host would, which answers as a free host on 47312.
lan_exec A python3 - "$LAN_VERSION" >"$A_DIR/asked_by" <<'PY' &
import socket, sys
version = int(sys.argv[1])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('', 47313))
s.settimeout(5)
data, asker = s.recvfrom(64)
if data == b'TRL?' + bytes([version, 0, 0, 0]):
    s.sendto(b'TRL!' + bytes([version, 1, 47312 >> 8, 47312 & 255]) + b'listener', asker)
print(asker[0])
PY
listener=$!
answers=$(lan_ask B "$LAN_BROADCAST" 1.5)
wait "$listener"
[ "$(cat "$A_DIR/asked_by")" = "$LAN_B" ] || fail "no question from $LAN_B reached port 47313 in A: $(cat "$A_DIR/asked_by")"
[ "$answers" = "$LAN_A 1 47312 listener" ] || fail "B heard no answer from A to its broadcast, but: $answers"
log "broadcast: B's question to $LAN_BROADCAST reached A, A's answer reached B"

# --- A guest in B waiting for the host in A --------------------------------------------------------
for side in A B; do
  dir=${side}_DIR
  printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 11\ncamAngleX= 0\ncamAngleY= 0\n' >"${!dir}/tarvo.ini"
  printf 'camAngleZ= 0\ncamZoom= 0\np1name: \n%s\np2name: \nplayer 2\n' "$([ $side = A ] && echo hoster || echo guest)" \
    >>"${!dir}/tarvo.ini"
done
export SDL_AUDIODRIVER=dummy
WAITING_TEXT="170 200 470 290"  # the guest's waiting screen: "connecting", then "waiting for the host"

lan_in B start_game --join "$LAN_A"
lan_in B wait_window || fail "the guest's window did not open"
sleep 1
connecting=$(lan_in B shot connecting)
lan_in A start_game --host
lan_in A wait_window || fail "the host's window did not open"
lan_in A skip_intro
lan_in B await_change waiting "$connecting" "$WAITING_TEXT" 3 "the guest's screen after the host came up"
waiting=$SHOT
lan_in A move $AT_NOTHING
host_menu=$(lan_in A shot host_menu)
log "guest in B: connecting, then waiting for the host in A"

# --- The host's two-player tennis match, on both screens ---------------------------------------------
# Each click waits for the page it opens: a busy machine may draw it late.
lan_in A menu_click $AT_TWO
lan_in A move $AT_NOTHING
lan_in A await_change host_page "$host_menu" "" 3 "the host's playground page"
lan_in A menu_click $AT_TENNIS
lan_in A await_change host_match "$SHOT" "" 10 "the host's match"
host_start=$SHOT
lan_in B await_change guest_match "$waiting" "" 10 "the guest's match"
guest_start=$SHOT
[ "$(ink_pattern "$host_start" 495 8)" = 11111000 ] || fail "the host's panel does not name player 2 'guest'"
[ "$(ink_pattern "$guest_start" 25 8)" = 11111100 ] || fail "the guest's panel does not name player 1 'hoster'"
lan_in A same "$host_start" "$guest_start" "0 0 640 30" "the panels of host and guest"
sleep 0.3
host_again=$(lan_in A shot host_again)
lan_in B focus_game
lan_in B hold_key a $TO_BOUND
bat_moved "$host_start" "$host_again" "$host_again" "$(lan_in A shot host_bat2_up)" "$BAT2_HOME" \
  "the guest's key did not move bat 2 on the host's screen"
log "match: on both screens, both names in both panels, the guest's key moved bat 2 on the host"

# --- The guest leaves -------------------------------------------------------------------------------
lan_in B tap_key Escape
lan_in B wait_exit 10 || fail "the guest did not end on its Escape"
[ "$EXIT_STATUS" = 0 ] || fail "the guest ended with status $EXIT_STATUS"
for _ in $(seq 1 50); do grep -qx 'Network: player 2 left' "$A_DIR/stderr" && break; sleep 0.1; done
grep -qx 'Network: player 2 left' "$A_DIR/stderr" || lan_in A fail "no 'Network: player 2 left' on the host"
echo "B's broadcast reached A, which answered; a guest in B joined the host in A and played over the link"
