#!/usr/bin/env bash
# Friends meet through the lobby between two homes on the internet (lib/internet.sh), each behind a router
# that masquerades and lets in only answers. The meeting place: the lobby comes up at 198.51.100.1 and a
# second one on the same address is refused; home b reads the retained tarvo/server message (STUN at the
# lobby, the relay's credentials), and STUN from each home names that home's router; the broker keeps
# each client to topics ending in its own id ("intruder", "victim/x" and "+" cannot write victim's room,
# no client but the lobby writes tarvo/server) and refuses a message over its size cap. The game: the host
# in home a makes a room from its menu, the guest in home b finds it in its join list and joins, and the
# match shows on both; a second guest joins with --join CODE through both routers and moves bat 2 on the
# host's screen; after the host quits, its room is gone from the guest's list. Through the relay: with
# both routers symmetric, and with the guest's home behind its provider's symmetric NAT too, the guest
# meets the room through the relay, the match shows on both, bat 2 moves on the host, and both say the
# way; the relay's server then stops mid-match: both sides end with a lost connection's line, their
# replays ending alike. The lobby stopped leaves no daemon and no folder; the guest's page and one line
# then say it cannot be reached, and a game by address starts all the same. Plain build only; needs root, `ip netns`, iptables-legacy, mosquitto,
# coturn and mosquitto-clients, or it is skipped.
set -u
source "$(dirname "$0")/lib/game.sh"
# Plain build only: the sanitizer build's share of the lobby is its logic test and the packet fuzzer.
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

# ---- The game meets here: a room from the menu, found in the list; a room by its code ---------------------
for side in a b internet; do
  internet_side "$side"
  dir=${side}_DIR
  printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\n' >"${!dir}/tarvo.ini"
done
export SDL_AUDIODRIVER=dummy
ROW0="90 160 560 190"  # the join page's first row
AT_ROW0="320 174"
ROOM_LINE=272 WAITING_LINE=224 INTERNET_LINE=124

# Side $1 starts with the lobby set ($2... more options), its intro skipped, at its main menu.
starts() {
  local side=$1
  shift
  internet_in "$side" start_game --lobby "$LOBBY" "$@"
  internet_in "$side" wait_window || fail "home $side's window did not open"
  internet_in "$side" skip_intro
}
# The code of the one room the lobby lists with a code (rooms other clients wrote above have none).
listed_code() { internet_in b mosquitto_sub -h "$LOBBY" -t 'tarvo/room/+' -W 2 2>/dev/null | sed -n 's/^code //p' | head -n 1; }
# The host in home a, on its playground page once its guest is here (from its main menu, through two
# players when $1 is "click", and then host a game when it is "menu"), starts tennis, and the match shows there and on the guest's
# screen after $2.
match_on_both() {
  [ "$1" = page ] || internet_in a menu_click $AT_TWO
  [ "$1" = menu ] && internet_in a menu_click $AT_HOST
  internet_in a move $AT_NOTHING
  internet_in a await_change host_playgrounds "$HOST_SHOT" "" 3 "the host's playground page with its guest there"
  internet_in a menu_click $AT_TENNIS
  internet_in a await_change host_match "$SHOT" "" 3 "the host's match"
  HOST_SHOT=$SHOT
  internet_in b await_change guest_match "$2" "" 3 "the guest's match"
}

starts a
internet_in a menu_click $AT_TWO
internet_in a menu_click $AT_HOST
internet_in a move $AT_NOTHING
internet_in a await_text host_room "room code:" $ROOM_LINE
HOST_SHOT=$SHOT
CODE=$(listed_code)
[[ $CODE =~ ^[2-9A-HJKMNP-Z]{6}$ ]] || fail "the lobby lists no room of the host's with a code: '$CODE'"
starts b
internet_in b menu_click $AT_TWO
before=$(internet_in b shot join_before)
internet_in b menu_click $AT_JOIN
internet_in b move $AT_NOTHING
internet_in b await_change guest_list "$before" "$ROW0" 3 "the room's row on the guest's join page"
internet_in b menu_click $AT_ROW0
internet_in b await_text guest_waiting "waiting for the host" $WAITING_LINE
match_on_both page "$SHOT"
grep -q "seat busy" <<<"$(internet_in b mosquitto_sub -h "$LOBBY" -t 'tarvo/room/+' -W 2 2>/dev/null)" ||
  fail "the room does not say its seat is taken"
log "home a hosted room $CODE from its menu; home b found it in its join list and joined; the match shows on both"

# The host ends the match; the guest leaves (by a signal: its host is told at once); a second guest,
# with --join CODE, plays bat 2 on the host's screen. The host then quits: the room is gone.
internet_in a focus_game
internet_in a tap_key Escape
internet_in a move $AT_NOTHING
internet_in a await_change host_back "$HOST_SHOT" "" 3 "the host's menu after its Escape"
HOST_SHOT=$SHOT
internet_in b stop_game
internet_in b start_game --lobby "$LOBBY" --join "$(tr A-Z a-z <<<"$CODE")"
internet_in b wait_window || fail "the second guest's window did not open"
internet_in b await_text guest_waiting "waiting for the host" $WAITING_LINE
match_on_both menu "$SHOT"
internet_in b focus_game
KEY_DISPLAY=$b_DISPLAY internet_in a bat_to_bound a 2 top "$HOST_SHOT"
grep -qx "met room $CODE through the routers at $WAN_A:47312" "$b_DIR/stdout" ||
  fail "the guest said not that it met room $CODE through the routers at $WAN_A:47312: $(cat "$b_DIR/stdout")"
log "a second guest joined with --join CODE through both routers; its key moved bat 2 on the host's screen"
internet_in a focus_game
internet_in a tap_key Escape
internet_in a move $AT_NOTHING
internet_in a await_change host_back "$HOST_SHOT" "" 3 "the host's menu after its Escape"
internet_in a quit_through_menu
internet_in b stop_game
starts b
internet_in b menu_click $AT_TWO
internet_in b menu_click $AT_JOIN
internet_in b move $AT_NOTHING
internet_in b await_text guest_no_room "internet: no open rooms" $INTERNET_LINE
[ -z "$(listed_code)" ] || fail "the lobby still lists a room after its host quit"
log "after the host quit, its room is gone from the guest's list and from the lobby"

# ---- Through the relay ------------------------------------------------------------------------------------
# A --host host in home a (two players plays its guest) on port $1 (one of its own, so that no mapping the
# routers hold from before stands), the guest in home b by --join CODE: the match shows on both through the
# relay, the guest's key moves bat 2 on the host's screen, and both say the way ($2 says how home b sits).
relay_match() {
  internet_in b stop_game
  internet_in a stop_game
  internet_in a start_game --lobby "$LOBBY" --host --port "$1" --no-port-mapping
  internet_in a wait_window || fail "the host's window did not open"
  internet_in a skip_intro
  HOST_SHOT=$(internet_in a shot host_menu)
  for _ in $(seq 1 100); do grep -q '^room ' "$a_DIR/stdout" && break; sleep 0.1; done
  CODE=$(sed -n 's/^room //p' "$a_DIR/stdout")
  [ -n "$CODE" ] || fail "--host said no room: $(cat "$a_DIR/stdout")"
  internet_in b start_game --lobby "$LOBBY" --join "$CODE"
  internet_in b wait_window || fail "the guest's window did not open"
  internet_in b await_text guest_waiting "waiting for the host" $WAITING_LINE
  match_on_both click "$SHOT"
  internet_in b focus_game
  KEY_DISPLAY=$b_DISPLAY internet_in a bat_to_bound a 2 top "$HOST_SHOT"
  grep -qx "met room $CODE through the relay at $LOBBY:[0-9]*" "$b_DIR/stdout" ||
    fail "the guest $2 said not that it met room $CODE through the relay: $(cat "$b_DIR/stdout")"
  grep -qx "player 2 met through the relay at $LOBBY:[0-9]*" "$a_DIR/stdout" ||
    fail "the host said not that player 2 $2 met it through the relay: $(cat "$a_DIR/stdout")"
  log "the guest $2 met room $CODE through the relay: the match on both, bat 2 moved on the host"
}
internet_symmetric a
internet_symmetric b
relay_match 47400 "behind a symmetric router, the host too"
# Home b behind its provider's NAT too, which gives a new port for each destination, beyond its own
# cone router; the host behind a cone.
internet_cone a
internet_cone b
internet_carrier b symmetric
relay_match 47401 "behind its router and a carrier's symmetric NAT"

# The relay's server ends in the middle of the match (and the meeting place with it): both sides end the
# network game with the line a lost connection gives, and both kept replays end on the same points and
# games, unfinished (each side keeps the steps whose holds it had: the ones in flight may differ).
for pid in $LOBBY_DAEMONS; do [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = turnserver ] && kill "$pid"; done
for _ in $(seq 1 300); do
  grep -qx 'Network: host lost' "$b_DIR/stderr" && grep -qx 'Network: player 2 left' "$a_DIR/stderr" && break
  sleep 0.1
done
grep -qx 'Network: host lost' "$b_DIR/stderr" || fail "the guest never said its host was lost: $(cat "$b_DIR/stderr")"
grep -qx 'Network: player 2 left' "$a_DIR/stderr" || fail "the host never said player 2 left: $(cat "$a_DIR/stderr")"
host_end=$(tail -c 8 "$a_DIR/replays/last.replay" | od -An -tx1) || fail "the host kept no replay"
guest_end=$(tail -c 8 "$b_DIR/replays/last.replay" | od -An -tx1) || fail "the guest kept no replay"
[ "$host_end" = "$guest_end" ] || fail "the two replays of the match the relay lost end apart: $host_end / $guest_end"
wait "$LOBBY_PID"
log "the relay's server stopped mid-match: 'host lost' and 'player 2 left', both replays end alike; the lobby stopped with it"

# The broker stopped: the guest's page and a line say so, and a game by address starts all the same.
for pid in $(ip netns pids "$LAN_NS_internet"); do
  grep -qx -e mosquitto -e turnserver "/proc/$pid/comm" 2>/dev/null && fail "the lobby's $(cat "/proc/$pid/comm") outlived it"
done
for pid in $LOBBY_DAEMONS; do kill -0 "$pid" 2>/dev/null && fail "the lobby's daemon $pid outlived it"; done
[ ! -e "$LOBBY_DIR" ] || fail "the lobby left its folder $LOBBY_DIR"
log "the stopped lobby left no daemon and no folder"
internet_in a stop_game
internet_in b stop_game
starts b
internet_in b menu_click $AT_TWO
internet_in b menu_click $AT_JOIN
internet_in b move $AT_NOTHING
internet_in b await_text guest_no_lobby "internet: the lobby cannot be reached" $INTERNET_LINE
grep -qx "Lobby: cannot reach $LOBBY:1883: Connection refused" "$b_DIR/stderr" ||
  fail "the guest's line for the broker stopped: $(cat "$b_DIR/stderr")"
internet_in b stop_game
internet_in internet start_game --host --lobby "$LOBBY" --no-port-mapping
internet_in internet wait_window || fail "the host on the internet did not open its window"
internet_in internet skip_intro
HOST_SHOT=$(internet_in internet shot internet_menu)
internet_in b start_game --lobby "$LOBBY" --join "$LOBBY"
internet_in b wait_window || fail "the guest by address did not open its window"
internet_in b await_text guest_waiting "waiting for the host" $WAITING_LINE
log "with the broker stopped, the guest's page and one line say so, and a game by address started"

# ---- Nothing left ------------------------------------------------------------------------------------------
internet_in b stop_game
internet_in internet stop_game
echo "the lobby met both homes through their routers, kept every client to its own topics and short messages, and left nothing behind"
