#!/usr/bin/env bash
# The meeting place between two homes on the internet (lib/internet.sh): the lobby comes up at 198.51.100.1
# and a second one on the same address is refused; behind its router, home b reads the retained
# tarvo/server message (STUN at the lobby, the relay's credentials), and STUN from each home names
# that home's router; the broker keeps each client to topics ending in its own id (a room written from
# home a by "victim" stays its own against "intruder", "victim/x" and "+", and no client but the lobby
# writes tarvo/server) and refuses a message over its size cap while taking one of 511 bytes; a
# stopped lobby leaves no daemon and no folder behind. Plain build only; needs root, `ip netns`,
# iptables-legacy, mosquitto, coturn and mosquitto-clients, or it is skipped.
set -u
source "$(dirname "$0")/lib/game.sh"
# Plain build only: the lobby is no code of the game's.
BUILD_DIR=$2 sanitizer_build && exit 77
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"
source "$(dirname "$0")/lib/lan.sh"
source "$(dirname "$0")/lib/internet.sh"
internet_up
log "home a $HOME_A behind $WAN_A, home b $HOME_B behind $WAN_B, the lobby at $LOBBY"

# Publishes from home $1 as client id $2 a retained message $4 on topic $3, at QoS 1 (the broker has
# answered once it returns); false when the broker cut the connection.
publish() { internet_in "$1" mosquitto_pub -h "$LOBBY" -i "$2" -r -q 1 -t "$3" -m "$4" 2>/dev/null; }
# The one retained message on topic $2 as home $1 reads it.
retained() { internet_in "$1" mosquitto_sub -h "$LOBBY" -t "$2" -C 1 -W 10 2>/dev/null; }

# ---- The lobby -----------------------------------------------------------------------------------------
lobby_start
[ "$(wc -w <<<"$LOBBY_DAEMONS")" = 2 ] && [ -d "$LOBBY_DIR" ] ||
  fail "the lobby runs not mosquitto and coturn from its folder: pids '$LOBBY_DAEMONS', folder '$LOBBY_DIR'"
second=$(internet_in internet timeout 20 bash "$INTERNET_LOBBY" "$LOBBY" 2>&1)
[ $? = 1 ] && grep -q "port 1883/tcp on $LOBBY is taken by mosquitto" <<<"$second" ||
  fail "a second lobby on the same address was not refused: $second"
log "the lobby is up in the internet's namespace; a second one on $LOBBY is refused"

SERVER=$(retained b tarvo/server)
[[ $SERVER =~ ^"stun $LOBBY:3478"$'\n'"relay "[0-9a-z-]+" "[0-9a-f]{32}$ ]] ||
  fail "home b read tarvo/server as: ${SERVER:-nothing}"
for side in a b; do
  wan=WAN_${side^}
  stun=$(internet_in "$side" timeout 5 turnutils_stunclient "$LOBBY")
  grep -q "UDP reflexive addr: ${!wan}:[0-9]" <<<"$stun" || fail "STUN from home $side said: ${stun:-nothing}"
done
log "home b reads where STUN is and the relay's credentials; STUN names $WAN_A for home a, $WAN_B for home b"

# ---- Each client writes only its own ---------------------------------------------------------------------
# A reader in home b, subscribed (tarvo/server has come) before anything is written, sees the victim's
# room and then the last room written, nothing between.
internet_in b mosquitto_sub -h "$LOBBY" -t 'tarvo/#' -v -C 3 -W 20 >"$INTERNET_DIR/seen" 2>&1 &
reader=$!
for _ in $(seq 1 100); do grep -q '^tarvo/server' "$INTERNET_DIR/seen" && break; sleep 0.1; done
VICTIM="room ABCD victim"
LONGEST=$(printf '%0511d' 0)
publish a victim tarvo/room/victim "$VICTIM" || fail "victim could not write its room"
for intruder in intruder victim/x +; do publish a "$intruder" tarvo/room/victim "room EVIL $intruder"; done
publish a intruder tarvo/server "stun 203.0.113.66:3478"
publish a victim tarvo/room/victim "$(printf '%01100d' 0)" && fail "a message of 1100 bytes was taken"
publish a roomy tarvo/room/roomy "$LONGEST" || fail "a message of 511 bytes was refused"
wait "$reader"
[ "$(cat "$INTERNET_DIR/seen")" = "tarvo/server $SERVER
tarvo/room/victim $VICTIM
tarvo/room/roomy $LONGEST" ] || fail "home b's reader saw: $(cut -c 1-80 "$INTERNET_DIR/seen")"
[ "$(retained b tarvo/room/victim)" = "$VICTIM" ] && [ "$(retained b tarvo/server)" = "$SERVER" ] ||
  fail "the victim's room or tarvo/server was overwritten"
log "intruder, victim/x and + left victim's room as it was, intruder left tarvo/server; 1100 bytes refused, 511 taken"

# ---- The game meets here ----

# ---- Nothing left ------------------------------------------------------------------------------------------
lobby_stop || fail "the lobby ended with status $? on SIGTERM"
[ -z "$(ip netns pids "$LAN_NS_internet")" ] || fail "programs left in the internet's namespace: $(ip netns pids "$LAN_NS_internet")"
for pid in $LOBBY_DAEMONS; do kill -0 "$pid" 2>/dev/null && fail "the lobby's daemon $pid outlived it"; done
[ ! -e "$LOBBY_DIR" ] || fail "the lobby left its folder $LOBBY_DIR"
log "the stopped lobby left no daemon and no folder"
echo "the lobby met both homes through their routers, kept every client to its own topics and short messages, and left nothing behind"
