#!/usr/bin/env bash
# Two real games on loopback, each on a virtual display of its own, driven by X input: a guest that waits
# ("connecting", then "waiting for the host"), a host that starts a two-player tennis match against it; the
# guest's keys move bat 2 on both screens, each side wins a point and both panels agree, the guest serves
# its own serve; the host's Escape sends both back; a second match on futuristic; the guest's Escape ends
# it with status 0 and its settings untouched, and the host says "player 2 left"; garbage sent to the
# host's port harms nothing; a guest killed mid-match returns the host to its menu within seconds. Then
# an unreachable host, a peer of another protocol version either way, and a port already in use. Last, the
# guest joins through a relay that delays each datagram 75 +- 15 ms, loses 3% and doubles 3%: a whole
# match to "GAME OVER", both score panels alike after every point and at the end, then both go back, each
# keeping the match as a replay with the same end (the sanitizer build stops before the relay).
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$(realpath "$1")
BUILD_DIR=$(realpath "$2")
source "$(dirname "$0")/lib/play.sh"
PEER=$BUILD_DIR/tests/tarvo-net-peer
[ -x "$PEER" ] || { echo "FAIL: $PEER is missing"; exit 1; }

host_DISPLAY=$DISPLAY
# A side's virtual display (the guest's, the watcher's): a server of its own, for
# as long as this script runs; sets <side>_DISPLAY and keeps the server to stop.
servers=()
new_display() {
  local file server
  file=$(mktemp)
  "$E2E_LIB/../../../scripts/headless.sh" bash -c 'echo "$DISPLAY $$" >"$1"; exec sleep 100000' _ "$file" &
  for _ in $(seq 1 300); do [ -s "$file" ] && break; sleep 0.1; done
  read -r "${1}_DISPLAY" server <"$file"
  rm -f "$file"
  [ -n "$server" ] || { echo "FAIL: no virtual display for the $1"; exit 1; }
  servers+=("$server")
}
new_display guest

host_DIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
guest_DIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
watcher_DIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
for dir in "$host_DIR" "$guest_DIR" "$watcher_DIR"; do
  ln -s "$BUILD_DIR/data" "$dir/data"
  mkdir -p "$dir/shots"
done
printf 'music= 0\neffects= 1\nresolution= 0\nmode= 0\ndifficulty= 11\n' >"$host_DIR/tarvo.ini"
printf 'camAngleX= 0\ncamAngleY= 0\ncamAngleZ= 0\ncamZoom= 0\np1name: \nhoster\np2name: \nplayer 2\n' >>"$host_DIR/tarvo.ini"
printf 'music= 0\neffects= 1\nresolution= 0\nmode= 0\ndifficulty= 11\n' >"$guest_DIR/tarvo.ini"
printf 'camAngleX= 0\ncamAngleY= 0\ncamAngleZ= 0\ncamZoom= 0\np1name: \nguest\np2name: \nplayer 2\n' >>"$guest_DIR/tarvo.ini"
guest_settings=$(cat "$guest_DIR/tarvo.ini")
sed 's/^guest$/watcher/' "$guest_DIR/tarvo.ini" >"$watcher_DIR/tarvo.ini"
# The guest's sound is captured to hear the host's match on it; the host plays silently.
export SDL_AUDIODRIVER=dummy
PORT=$(python3 -S -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')

finish() {
  for pid in ${host_PID:-} ${guest_PID:-} ${watcher_PID:-} ${relay_PID:-} ${peers[@]:-}; do kill -9 "$pid" 2>/dev/null; done
  for server in "${servers[@]}"; do kill "$server" 2>/dev/null; done
  rm -rf "$host_DIR" "$guest_DIR" "$watcher_DIR"
}
trap finish EXIT

# Runs a command as one side: its display, window, process and folder in place
# of the helpers' single ones, kept again afterwards.
on() {
  local side=$1
  shift
  eval "DISPLAY=\$${side}_DISPLAY WINDOW=\${${side}_WINDOW:-} WINDOW_W=\${${side}_W:-} \
    WINDOW_H=\${${side}_H:-} GAME_PID=\${${side}_PID:-} WORKDIR=\$${side}_DIR"
  export DISPLAY
  "$@"
  local status=$?
  eval "${side}_WINDOW=\$WINDOW ${side}_W=\$WINDOW_W ${side}_H=\$WINDOW_H ${side}_PID=\$GAME_PID"
  return $status
}

# Where the ball and the bats may move, and where the menus say what the network does.
WAITING_TEXT="170 200 470 290"    # the waiting screen's lines
LEFT_TEXT="220 358 420 376"       # the host's main menu: "player 2 left"
WAITING_P2_TEXT="175 336 465 356" # the host's playground page: "waiting for player 2"
BAT2_COLUMN="538 60 556 420"      # where bat 2 may stand

start_guest() { start_guest_at "127.0.0.1:$PORT"; }
start_guest_at() {
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$guest_DIR/audio.raw" SDL_DISKAUDIODELAY=40 \
    on guest start_game --join "$1"
  on guest wait_window || fail "the guest's window did not open"
  on guest focus_game
}

# --- A guest waiting for a host that is not there yet, then the host -----------------------------
start_guest
# Its first frame: the waiting screen's background (the intro's has no green at all).
for _ in $(seq 1 $(( 50 * SLOW ))); do
  connecting=$(on guest shot connecting)
  read -r r g b < <(shot_mean "$connecting" 5 5 40 40)
  (( r + g + b > 0 )) && break
  sleep 0.2
done
(( g > 2 )) || fail "the guest shows the intro ($r $g $b), not its waiting screen"
on host start_game --host --no-port-mapping --port "$PORT"
on host wait_window || fail "the host's window did not open"
on host skip_intro
on guest await_change waiting "$connecting" "$WAITING_TEXT" 3 "the guest's screen after the host came up"
waiting=$SHOT
on host move $AT_NOTHING
host_menu=$(on host shot host_menu)
log "guest: connecting, then waiting for the host"

# --- A two-player tennis match against the guest ----------------------------------------------------
on host menu_click $AT_TWO
page_with_guest=$(on host shot host_page_with_guest)
on host menu_click $AT_TENNIS
host_start=$(on host shot host_match)
on guest await_change guest_match "$waiting" "" 10 "the guest's match"
guest_start=$SHOT
[ "$(ink_pattern "$host_start" 495 8)" = 11111000 ] || fail "the host's panel does not name player 2 'guest'"
[ "$(ink_pattern "$guest_start" 25 8)" = 11111100 ] || fail "the guest's panel does not name player 1 'hoster'"
[ "$(ink_pattern "$guest_start" 495 8)" = 11111000 ] || fail "the guest's panel does not name player 2 'guest'"
sleep 0.3
host_again=$(on host shot host_again)
guest_again=$(on guest shot guest_again)

# The guest's keys (either set) move bat 2 on both screens.
on guest focus_game
on host focus_game
KEY_DISPLAY=$guest_DISPLAY on host bat_to_bound a 2 top "$host_start"
host_up=$SHOT
on guest await_same guest_bat2_up "$host_up" "$BAT2_COLUMN" "bat 2 at the top on the guest as on the host"
guest_up=$SHOT
bat_moved "$host_start" "$host_again" "$host_again" "$host_up" "$BAT2_HOME" "the guest's a key did not move bat 2 on the host"
bat_moved "$guest_start" "$guest_again" "$guest_again" "$guest_up" "$BAT2_HOME" "the guest's a key did not move bat 2 on the guest"
KEY_DISPLAY=$guest_DISPLAY on host bat_to_bound Down 2 bottom "$host_start"
host_down=$SHOT
bat_moved "$host_start" "$host_again" "$host_up" "$host_down" "$BAT2_TOP" "the guest's Down key did not move bat 2 on the host"
log "guest: its keys moved bat 2 on both screens"

# Player 1 serves past the guest's bat at the bottom: a point for the host's player. The guest
# hears the serve as the host does.
mark=$(on guest audio_mark)
on host serve_seen space "$host_down"
on guest expect_sound "$mark" "the host's serve, on the guest"
outcome=$(on host wait_point "$POINT_WAIT" "$host_start")
[ "$outcome" = p1 ] || fail "the serve past the guest's bat gave no point to player 1 ($outcome)"
score=$(on host shot score)

# Then the guest meets the serve at the top while player 1 goes to the bottom, once the ball is
# seen on its way (pressed sooner, its key would bend the serve): a point for player 2, most rallies.
for round in $(seq 1 20); do
  on host await_rally "$host_start" "no new rally on the host after the point"
  on host bat_to_bound a 1 top "$host_start"
  KEY_DISPLAY=$guest_DISPLAY on host bat_to_bound Up 2 top "$host_start" keep
  on host serve_seen space "$score"
  DISPLAY=$host_DISPLAY xdotool keydown z
  outcome=$(on host wait_point "$POINT_WAIT" "$score")
  DISPLAY=$guest_DISPLAY xdotool keyup Up
  DISPLAY=$host_DISPLAY xdotool keyup z
  score=$(on host shot "score_$round")
  [ "$outcome" = p2 ] && break
  [ "$outcome" = none ] && fail "no point within $POINT_WAIT s"
done
[ "$outcome" = p2 ] || fail "the guest won no point in $round rallies"
# Player 2's serve is the guest's: its pass key sends the ball, and a point follows.
on host serve_seen Left "$score" "$guest_DISPLAY"
on host bat_to_bound a 1 top "$host_start"
outcome=$(on host wait_point "$POINT_WAIT" "$score")
[ "$outcome" != none ] || fail "no point after the guest's serve: the ball never left bat 2"
host_score=$(on host shot host_score)
on guest await_same guest_score "$host_score" "290 5 350 25" "the guest's score panel beside the host's"
log "points: one for each side, the guest served its own serve, both panels alike"

# --- The host's Escape sends both back; a second match on futuristic ---------------------------------
DISPLAY=$host_DISPLAY tap_key Escape
on host move $AT_NOTHING
on host await_same host_back "$host_menu" "" "the host's menu after its Escape"
on guest await_same guest_back "$waiting" "" "the guest's waiting screen after the host's Escape"
on host menu_click $AT_TWO
on host menu_click $AT_FUTURISTIC rest $PANEL_ROW
on guest await_change guest_futuristic "$waiting" "" 10 "the guest's futuristic match"
log "host's Escape: both back; a second match on futuristic"

# --- The guest leaves with Escape ------------------------------------------------------------------
DISPLAY=$guest_DISPLAY tap_key Escape
on guest wait_exit 10 || fail "the guest did not end on its Escape"
[ "$EXIT_STATUS" = 0 ] || fail "the guest ended with status $EXIT_STATUS"
[ "$(cat "$guest_DIR/tarvo.ini")" = "$guest_settings" ] || fail "the guest's settings file changed"
on host move $AT_NOTHING
on host await_change host_left "$host_menu" "$LEFT_TEXT" 3 "'player 2 left' on the host's menu"
left_menu=$SHOT
grep -qx 'Network: player 2 left' "$host_DIR/stderr" || fail "no 'Network: player 2 left' on the host"
# Without a guest the playground page waits for one, and a click there starts nothing.
on host menu_click $AT_TWO
page=$(on host shot host_waiting_page)
changed "$page" "$page_with_guest" "$WAITING_P2_TEXT" 3 "'waiting for player 2' on the playground page"
on host move $AT_TENNIS
DISPLAY=$host_DISPLAY click
# Once the pointer is off the picture again and its glow gone, the click has been taken.
on host move $AT_NOTHING
on host shot_await host_waiting_click "$SCREEN_WAIT" near "$page" 0.01 ||
  fail "a playground click with no guest changed the page (difference $AWAITED)"
log "guest's Escape: status 0, settings untouched; host: player 2 left, waiting for player 2"

# --- A new guest; garbage at the host's port; the guest killed mid-match ---------------------------
start_guest
on guest await_same waiting_again "$waiting" "" "the new guest waiting"
on host menu_click $AT_TENNIS
on guest await_change guest_match_again "$waiting" "" 10 "the new guest's match"
python3 -S - "$PORT" <<'PY'
import os, socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for size in list(range(0, 80)) + [200, 1400, 4000] * 20:
    s.sendto(os.urandom(size), ('127.0.0.1', int(sys.argv[1])))
PY
# The guest's key reaches the host after the garbage: bat 2 answering it shows the host read past it.
KEY_DISPLAY=$guest_DISPLAY on host bat_to_bound a 2 top "$host_start" ||
  fail "bat 2 no longer answers the guest after garbage at the host's port"
kill -0 "$host_PID" 2>/dev/null || fail "the host died of garbage at its port"
kill -9 "$guest_PID"
killed=$(date +%s.%N)
# Noticed when the host says so; its match has ended by then.
until [ "$(grep -c '^Network: player 2 left$' "$host_DIR/stderr")" = 2 ]; do
  passed "$(awk -v t="$killed" 'BEGIN { printf "%.2f", t + 8 }')" && fail "no second 'player 2 left' line within 8 s"
  sleep 0.1
done
noticed=$(awk -v t="$killed" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - t }')
on host move $AT_NOTHING
on host await_same host_after_kill "$left_menu" "" "the host's menu after the guest was killed"
log "garbage harmed nothing; the killed guest was noticed in $noticed s"

# --- Refusals and failures --------------------------------------------------------------------------
answer=$("$PEER" join 127.0.0.1 "$PORT" 99)
[ "$answer" = $'connected\ndisconnected, reason 2, version 3' ] || fail "a guest of version 99 was not refused: $answer"
grep -qx 'Network: refused a guest of protocol version 99; this game speaks version 3' "$host_DIR/stderr" ||
  fail "no line on the host about the guest of version 99"

other_port=$(python3 -S -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')
"$PEER" host "$other_port" 99 15 >/dev/null &
other_host=$!
on guest start_game --join "127.0.0.1:$other_port"
on guest wait_exit 12 || fail "the guest of a host of version 99 kept running"
kill "$other_host" 2>/dev/null
[ "$EXIT_STATUS" = 1 ] || fail "the refused guest ended with status $EXIT_STATUS"
[ "$(grep -v '^WARNING\|^ Writing' "$guest_DIR/stderr")" = \
  "Network: 127.0.0.1:$other_port speaks protocol version 99; this game speaks version 3" ] ||
  fail "the refused guest said: $(cat "$guest_DIR/stderr")"

closed_port=$(python3 -S -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')
started=$SECONDS
on guest start_game --join "127.0.0.1:$closed_port"
on guest wait_exit 15 || fail "the guest of an unreachable host kept running"
(( SECONDS - started <= 20 )) || fail "the unreachable host took $(( SECONDS - started )) s to be given up"
[ "$EXIT_STATUS" = 1 ] || fail "the guest of an unreachable host ended with status $EXIT_STATUS"
[ "$(cat "$guest_DIR/stderr")" = "Network: cannot reach 127.0.0.1:$closed_port" ] ||
  fail "the guest of an unreachable host said: $(cat "$guest_DIR/stderr")"

on guest start_game --host --no-port-mapping --port "$PORT"
on guest wait_exit 10 || fail "a second host on the same port kept running"
[ "$EXIT_STATUS" = 1 ] || fail "a second host on a taken port ended with status $EXIT_STATUS"
[ "$(cat "$guest_DIR/stderr")" = "Network: cannot listen on port $PORT: Address already in use" ] ||
  fail "a second host on a taken port said: $(cat "$guest_DIR/stderr")"
log "refused either way for version 99, unreachable host given up, taken port refused"

# --- The host quits through its menu, its settings its own ----------------------------------------
on host quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "the host ended with status $EXIT_STATUS"
sed -n 13p "$host_DIR/tarvo.ini" | grep -qx 'player 2' || fail "the host's player 2 is no longer called 'player 2'"
log "host: quit through its menu, status 0, its settings its own"

# The sanitizer build ends here: every real network call has been made above, and a whole match over
# a slow and lossy link is played by the logic tests, under the sanitizers too.
if sanitizer_build; then
  echo "host and guest played two matches; leaving, losses, garbage and refusals as they should be"
  exit 0
fi

# --- Through the impairing relay: a whole match to its end ------------------------------------------
# At difficulty 2 a ball crosses the field in a sixth of a second, so the match is mostly the waits
# after its points. The guest keeps its bat up out of the way (its key held all along, the bat going
# back up after every rally's set-up) and the host serves each rally past it: fifteen points.
sed -i 's/^difficulty= .*/difficulty= 2/' "$host_DIR/tarvo.ini"
relay_port=$(python3 -S -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')
"$E2E_LIB/../../tools/udp_relay.py" --listen "$relay_port" --to "127.0.0.1:$PORT" --delay 75 --jitter 15 \
  --loss 3 --duplicate 3 --seed 7 --stats "$host_DIR/relay.stats" &
relay_PID=$!
TARVO_NET_STATS=1 on host start_game --host --no-port-mapping --port "$PORT"
on host wait_window || fail "the host's window did not open again"
on host skip_intro
on host move $AT_NOTHING
host_menu=$(on host shot relay_host_menu)
TARVO_NET_STATS=1 start_guest_at "127.0.0.1:$relay_port"
on guest await_same relay_waiting "$waiting" "" "the guest waiting behind the relay"
relay_waiting=$SHOT
on host menu_click $AT_TWO
on host menu_click $AT_TENNIS
relay_start=$(on host shot relay_host_match)
on guest await_change relay_guest_match "$relay_waiting" "" 10 "the guest's match behind the relay"
PANEL="150 9 486 27"       # the game marks and the points, between the two names
GAME_OVER="252 232 378 248"
points=0
panel=$relay_start
DISPLAY=$guest_DISPLAY xdotool keydown a
# A watcher joins mid-match, after the third point, straight to the host's port; from then on its
# panel shows the host's after every point within a second. Three stand-in watchers fill the
# host's room, and a fifth is told there is none.
watch_match() {
  new_display watcher
  on watcher start_game --watch "127.0.0.1:$PORT"
  on watcher wait_window || fail "the watcher's window did not open"
  peers=()
  for _ in 1 2 3; do
    "$PEER" watcher 127.0.0.1 "$PORT" 60 >>"$watcher_DIR/peers" &
    peers+=($!)
  done
  for _ in $(seq 1 100); do [ "$(grep -c '^connected' "$watcher_DIR/peers" 2>/dev/null)" = 3 ] && break; sleep 0.1; done
  (cd "$watcher_DIR" && "$E2E_LIB/../../../scripts/headless.sh" "$GAME" --watch "127.0.0.1:$PORT" >/dev/null \
    2>"$watcher_DIR/fifth" </dev/null) && fail "a fifth watcher was let in"
  [ "$(grep -v '^WARNING\|^ Writing' "$watcher_DIR/fifth")" = "Network: the host has no room for more watchers" ] ||
    fail "the fifth watcher said: $(cat "$watcher_DIR/fifth")"
  log "a watcher joined after point $points; three stand-ins filled the room, a fifth was refused"
}
while :; do
  # The serve: the pass key again and again until the point shows (before the next rally is set
  # up, 1.5 s after a point, the key does nothing; each serve gives one point).
  for taps in $(seq 1 $(( 30 * SLOW ))); do
    DISPLAY=$host_DISPLAY tap_key space
    [ "$(on host wait_point 0.5 "$panel")" != none ] && break
  done
  (( taps < 30 * SLOW )) || fail "no point after $taps serves behind the relay"
  points=$(( points + 1 ))
  panel=$(on host shot "relay_host_$points")
  on guest await_same "relay_guest_$points" "$panel" "$PANEL" "the guest's panel after point $points"
  if [ -n "${watcher_PID:-}" ]; then
    on watcher shot_await "relay_watcher_$points" 1 same "$panel" $PANEL ||
      fail "the watcher's panel was not the host's within a second of point $points"
  fi
  (( points == 3 )) && watch_match
  if above "$(shot_diff "$panel" "$relay_start" $GAME_OVER)" 20; then
    on watcher shot_await relay_watcher_over 1 change "$relay_start" 20 $GAME_OVER ||
      fail "no GAME OVER on the watcher within a second of the host's"
    break
  fi
  (( points < 20 )) || fail "no game over after 20 points"
done
DISPLAY=$guest_DISPLAY xdotool keyup a
log "relay: $points points to GAME OVER, both panels alike after each"
on host move $AT_NOTHING
on host await_same relay_host_back "$host_menu" "" "the host's menu after the match behind the relay"
on guest await_same relay_guest_back "$relay_waiting" "" "the guest waiting again after the match"
on watcher await_change watcher_back "$relay_start" "$FIELD" 20 "the watcher's waiting screen after the match"
for side in host guest; do
  stats=$(grep '^Network stats:' "$(eval echo "\$${side}_DIR")/stderr") || fail "no network stats from the $side"
  log "$side: $stats"
  case $stats in *"0 taken from the host"*) ;; *) fail "the $side's match went out of step: $stats" ;; esac
done
# Each side kept the match as its own replay, both ending on the same step with the same score; the
# watcher's, kept from where it joined, ends on the same points, games and finish.
host_end=$(tail -c 16 "$host_DIR/replays/last.replay" | od -An -tx1) || fail "the host kept no replay"
guest_end=$(tail -c 16 "$guest_DIR/replays/last.replay" | od -An -tx1) || fail "the guest kept no replay"
[ "$host_end" = "$guest_end" ] || fail "the two replays end apart: $host_end / $guest_end"
watcher_end=$(tail -c 8 "$watcher_DIR/replays/last.replay" | od -An -tx1) || fail "the watcher kept no replay"
[ "$watcher_end" = "$(tail -c 8 "$host_DIR/replays/last.replay" | od -An -tx1)" ] ||
  fail "the watcher's replay ends apart from the players': $watcher_end / $host_end"
sed 's/^/[stand-in watcher] /' "$watcher_DIR/peers"
kill "$relay_PID"
wait "$relay_PID" 2>/dev/null
relay_PID=
sed 's/^/[relay] /' "$host_DIR/relay.stats"
echo "host and guest played three matches, one through a slow and lossy relay; leaving, losses, garbage and refusals as they should be"
