#!/usr/bin/env bash
# Two real games on a real local network (lib/lan.sh): namespaces A and B joined by a veth pair, each game
# on a display of its own inside its namespace, driven by X input, neither given a network option. A hosts
# from its menu by the pointer and answers a question broadcast from B; B's join page lists it, B joins
# it by a click, and A's two-player tennis match shows on both screens; B's Escape brings its join page
# back and A says "player 2 left". Then B finds and joins A again by the keys alone, and A's Escape
# ends that match for both. Needs root and `ip netns`, or it is skipped.
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

for side in A B; do
  dir=${side}_DIR
  printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 11\ncamAngleX= 0\ncamAngleY= 0\n' >"${!dir}/tarvo.ini"
  printf 'camAngleZ= 0\ncamZoom= 0\np1name: \n%s\np2name: \nplayer 2\n' "$([ $side = A ] && echo hoster || echo guest)" \
    >>"${!dir}/tarvo.ini"
done
export SDL_AUDIODRIVER=dummy

TITLE_TEXT="180 100 460 124"  # the page's name, below the logo
HOST_ROW="80 158 560 190"     # the join page's first row of hosts found
AT_ROW="320 174"

# Keys tapped one after another in the game's window, each once the screen has answered the one before.
keys() { local key; for key in "$@"; do tap_awaited "$key"; done; }

# Waits for the screen to leave the shot $2 in region $3, naming the step $4 (the new shot in SHOT).
next_screen() { await_change "$1" "$2" "$3" 3 "$4"; }

for side in A B; do
  lan_in $side start_game
  lan_in $side wait_window || fail "the window of $side did not open"
  lan_in $side skip_intro
  lan_in $side move $AT_NOTHING
done
a_menu=$(lan_in A shot a_menu)
b_menu=$(lan_in B shot b_menu)

# --- B looks for hosts before any hosts; A hosts from its menu by the pointer -----------------------
lan_in B menu_click $AT_TWO
lan_in B menu_click $AT_JOIN
lan_in B move $AT_NOTHING
lan_in B next_screen b_join "$b_menu" "$TITLE_TEXT" "B's join page"
b_looking=$SHOT
lan_in A menu_click $AT_TWO
lan_in A menu_click $AT_HOST
lan_in A move $AT_NOTHING
lan_in A next_screen a_hosting "$a_menu" "$TITLE_TEXT" "A's hosting page"
a_hosting=$SHOT
answers=$(lan_ask B "$LAN_BROADCAST" 1.5)
[ "$answers" = "$LAN_A 1 47312 hoster" ] || fail "B's broadcast question had from A not its answer but: $answers"
lan_in B next_screen b_listed "$b_looking" "$HOST_ROW" "A listed on B's join page"
b_listed=$SHOT
log "A hosts from its menu and answers B's broadcast; B's join page lists it"

# --- B joins by a click; A's match shows on both ------------------------------------------------------
# Starts A's tennis match once A's playground page shows (its title, where the router's line below it
# cannot change it), and waits for it on both screens: B's panel as A's.
tennis_on_both() {
  lan_in A next_screen a_playgrounds "$a_hosting" "$TITLE_TEXT" "A's playground page once $1"
  lan_in A menu_click $AT_TENNIS
  a_match=$(lan_in A shot a_match)
  lan_in B await_same b_match "$a_match" "$PANEL_ROW" "B's panel beside A's ($1)"
  b_match=$SHOT
}
lan_in B menu_click $AT_ROW
tennis_on_both "B joined by a click"
[ "$(ink_pattern "$a_match" 495 8)" = 11111000 ] || fail "A's panel does not name player 2 'guest'"
[ "$(ink_pattern "$b_match" 25 8)" = 11111100 ] || fail "B's panel does not name player 1 'hoster'"
log "B joined by a click; the match shows on both with both names"

lan_in B focus_game
lan_in B tap_key Escape
lan_in B next_screen b_back "$b_match" "" "B's Escape"
lan_in B same "$b_listed" "$SHOT" "$TITLE_TEXT" "B's join page after its Escape"
for _ in $(seq 1 300); do grep -qx 'Network: player 2 left' "$A_DIR/stderr" && break; sleep 0.1; done
grep -qx 'Network: player 2 left' "$A_DIR/stderr" || lan_in A fail "no 'Network: player 2 left' on A"
kill -0 "$B_PID" || fail "B ended on its Escape"
log "B's Escape: its join page back, A told"

# --- Again by the keys alone: B from its main menu to A's row ----------------------------------------
lan_in A menu_click $AT_TWO
lan_in A menu_click $AT_HOST
lan_in A move $AT_NOTHING
lan_in B keys Escape Escape
lan_in B await_same b_main_again "$b_menu" "$TITLE_TEXT" "B's main menu after two Escapes"
lan_in B keys Down Down Return Down Down Down Return
lan_in B next_screen b_listed_again "$b_looking" "$HOST_ROW" "A listed again on B's join page"
lan_in B keys Down Return
tennis_on_both "B joined by keys"
lan_in A focus_game
lan_in A tap_key Escape
lan_in B next_screen b_after "$b_match" "" "B's screen after A left the match"
log "B joined by keys alone; A's Escape ended the match for both"
echo "A hosted from its menu; B found it by broadcast and joined it by a click, then by keys alone"
