#!/usr/bin/env bash
# The real game with a gamepad for player 1: a named pipe given as the joystick device, written with
# Linux joystick events. The game names the pad on standard output; the pad works the main menu and
# starts the match;
# in a single-player match on "tennis" the pad alone moves bat 1 both ways, serves with a direction held
# (the bat sound, the ball leaving at an angle), and the rally ends in a point; Escape leaves the match;
# the pad unplugged while held lets go at once; the game quits through the menu with status 0.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
# SDL2 takes pads only from the system's input devices (it has no SDL_JOYSTICK_DEVICE), and a test
# machine has none to give it; SDL 1.2 takes the pipe, and the pad is played there.
if sdl2_beneath; then
  echo "skipped on sdl12-compat: SDL2 cannot be given a pad without a real input device"
  exit 77
fi
source "$(dirname "$0")/lib/play.sh"

BAT1_TOP="84 106 98 158"
BAT1_COLUMN="84 60 98 420"
FLIGHT="130 40 520 440"  # the field between the bats' columns
TITLE_TEXT="180 100 460 124"  # the page's name, below the logo

# One joystick event, as the kernel's joystick interface delivers it: time (u32),
# value (s16), type (u8: 1 button, 2 axis), number (u8), all little-endian.
pad_event() {
  local value=$(( $3 & 0xffff ))
  printf "$(printf '\\x00\\x00\\x00\\x00\\x%02x\\x%02x\\x%02x\\x%02x' $(( value & 255 )) $(( value >> 8 )) "$1" "$2")" >&7
}
pad_stick() { pad_event 2 1 "$1"; }     # the left stick's vertical axis: negative is up
pad_button() { pad_event 1 "$1" "$2"; }  # button number, 1 pressed or 0 released

# The centre of a region "X0 Y0 X1 Y1" (what changed where the ball flew).
centre_of() { awk '{ printf "%.0f %.0f\n", ($1 + $3) / 2, ($2 + $4) / 2 }' <<<"$1"; }

make_workdir
# A slow pace: the bat takes most of a second from the middle to the top, time
# enough to see it move and unplug the pad before it gets there.
printf 'music= 0\neffects= 1\nresolution= 0\nmode= 0\ndifficulty= 20\n' >"$WORKDIR/tarvo.ini"
mkfifo "$WORKDIR/pad"
use_disk_audio
export SDL_JOYSTICK_DEVICE="$WORKDIR/pad"
start_game
# The game waits at start-up until the pipe has a writer: this script, which
# holds it open for reading and writing (so its own open never waits) and is its
# only writer, so that closing it unplugs the pad.
exec 7<>"$WORKDIR/pad"
wait_window || fail "window did not open"
[ "$(cat "$WORKDIR/stdout")" = "Gamepad 1: $WORKDIR/pad" ] ||
  fail "standard output is not the pad's line: $(cat "$WORKDIR/stdout")"
skip_intro

# The pad works the main menu: the stick's first push lights single player, the
# next two players; button 0 opens the two-player page, button 1 goes back; then
# single player and tennis, chosen with the hat and button 0, start the match.
# The pointer comes to rest off every item first (a later click needs it in the
# window): seen by its glow over an item on the way, gone again, since a motion
# taken after the pad's first press would put out the glow that press lit.
menu=$(shot menu)
move $AT_SINGLE
move $AT_NOTHING
shot_await menu_again "$SCREEN_WAIT" near "$menu" 0.01 || fail "the glow stayed with the pointer off every item"
# A press held until its effect shows (the test of shot.py's `await` in $6..., on
# screenshots named $4; else fails with $5), then let go; a hand lets go a moment
# before it presses again, so that the game reads the next press as a new one.
pad_press() {
  pad_event "$1" "$2" "$3"
  shot_await "$4" "$SCREEN_WAIT" "${@:6}" || fail "$5 (measured $AWAITED)"
  pad_event "$1" "$2" 0
  sleep 0.3
}
pad_press 2 1 32767 pad_single "the stick's first push lights single player" change "$menu" 10 $ITEM_SINGLE
pad_press 2 1 32767 pad_two "the next push lights two players" change "$menu" 10 $ITEM_TWO
same "$menu" "$SHOT" "$ITEM_SINGLE" "the glow left single player"
pad_press 1 0 1 pad_two_page "button 0 opens the two-player page" change "$menu" 5 $TITLE_TEXT
pad_press 1 1 1 pad_back "button 1 goes back to the main menu" same "$menu" $ITEM_SINGLE
pad_press 2 1 32767 pad_single_again "single player lit again, the glow gone with the page" change "$menu" 10 $ITEM_SINGLE
pad_press 1 0 1 pad_playgrounds "single player chosen by the pad" change "$menu" 5
# The left stick's across axis: tennis, the first picture.
pad_press 2 0 32767 pad_tennis "the stick across lights tennis" change "$SHOT" 0.5 241 219 257 235
pad_press 1 0 1 match_start "tennis chosen by the pad" change "$SHOT" 10
start=$SHOT
sleep 0.3
again=$(shot match_again)

# The stick alone moves bat 1 up to the top, then down to the bottom.
read -r x0 x1 <<<"$BAT1_X"
pad_stick -32767
shot_await bat1_up "$SCREEN_WAIT" edge "$start" 60 top "$BAT_TOP_EDGE" "$x0" 40 "$x1" 200 ||
  fail "the pad's stick up did not take bat 1 to the top (its edge at $AWAITED)"
pad_stick 0
up=$SHOT
bat_moved "$start" "$again" "$again" "$up" "$BAT1_HOME" "the pad's stick up did not move bat 1"
pad_stick 32767
shot_await bat1_down "$SCREEN_WAIT" edge "$start" 60 bottom "$BAT_BOTTOM_EDGE" "$x0" 280 "$x1" 440 ||
  fail "the pad's stick down did not take bat 1 to the bottom (its edge at $AWAITED)"
pad_stick 0
down=$SHOT
bat_moved "$start" "$again" "$up" "$down" "$BAT1_TOP" "the pad's stick down did not move bat 1"
log "pad: the stick moved bat 1 up and down"

# A serve with the stick held up, both held until the ball is seen on its way:
# the bat sound, and the ball going up the field.
before=$(shot before_serve)
mark=$(audio_mark)
pad_stick -32767
pad_button 0 1
shot_await flight_1 "$SCREEN_WAIT" moved "$before" 90 $FLIGHT || fail "the pad's serve sent no ball"
pad_button 0 0
pad_stick 0
first=$(centre_of "$AWAITED")
read -r x1 y1 <<<"$first"
# Further along: the ball seen where it has gone on.
shot_await flight_2 "$SCREEN_WAIT" moved "$before" 90 $(( x1 + 60 )) 40 520 440 || fail "the served ball went no further"
second=$(centre_of "$AWAITED")
expect_sound "$mark" "the pad's serve (bat hit)"
read -r x2 y2 <<<"$second"
# Toward player 2, and up the screen by more than a straight serve's spread could give.
awk -v x1="$x1" -v y1="$y1" -v x2="$x2" -v y2="$y2" 'BEGIN { exit !(x2 > x1 + 10 && (y1 - y2) > 0.14 * (x2 - x1)) }' ||
  fail "the ball did not leave bent up: from ($first) to ($second)"
log "pad: served with the stick up, the ball went from ($first) to ($second)"

outcome=$(wait_point "$POINT_WAIT" "$start")
[ "$outcome" != none ] || fail "the rally after the pad's serve ended in no point"
log "pad: the rally ended in a point for $outcome"

# Escape leaves the match; a click starts it again, player 1 to serve.
tap_key Escape
await_change menu_again "$start" "" 10 "Escape left the match"
click
await_change match_again "$SHOT" "" 10 "a click started the match again"
# Unplugged while the stick is held up: the bat, seen moving, stops short of the top.
pad_stick -32767
await_change bat_moving "$SHOT" "$BAT1_COLUMN" 2 "bat 1 on the pad's stick"
exec 7>&-
held=$(shot unplugged)
for _ in $(seq 1 50); do
  sleep 0.3
  later=$(shot unplugged_later)
  below "$(shot_diff "$held" "$later" $BAT1_COLUMN)" 1 && break
  cp "$later" "$held"
done
same "$held" "$later" "$BAT1_COLUMN" "bat 1 after its pad was unplugged"
changed "$up" "$later" "$BAT1_TOP" 8 "bat 1 went on to the top after its pad was unplugged"
log "pad: unplugged while held, bat 1 stopped"

tap_key Escape
await_same menu_end "$menu" "" "Escape left the match again"
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
check_stderr
echo "a pad named on standard output moved bat 1, served bent, played a point and let go when unplugged; status 0"
