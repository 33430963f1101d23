# The whole game played as a player plays it, step by step, with a witness at each step.
# Sourced after game.sh by the play_*.sh scripts, which set:
#   SETTINGS   the tarvo.ini text to start from, or empty for no file at all
#   MUSIC, EFFECTS, RESOLUTION, MODE   what the game is expected to run with
#   EXPECT_W, EXPECT_H                 the window size expected
#   PLAY_FLOW  whole (every page, both matches) or short (what a window size and
#              the sound switches change: the intro, the menu, the settings, a
#              match against the computer, the exit and the file it leaves)
# and then call play_whole_game. Every step waits for what the screen or the
# sound shows, so a slow or busy machine changes how long a run takes, not its outcome.

# The game runs in a working directory of its own: paths given relative to here must still lead to it.
GAME=$(realpath "$GAME")
BUILD_DIR=$(realpath "$BUILD_DIR")

# ---- Places on the 640 x 480 menu screen, y from the top ------------------------

# Main menu items, as "x0 y0 x1 y1", and a point inside each.
ITEM_SINGLE="256 168 384 200"
ITEM_TWO="256 218 384 250"
AT_SINGLE="320 184"; AT_TWO="320 234"; AT_SETTINGS="320 284"; AT_EXIT="320 334"
# The two-player page: this computer, host a game, join a game, back.
AT_LOCAL="320 184"; AT_HOST="320 234"; AT_JOIN="320 284"; AT_BACK="320 334"
AT_NOTHING="590 240"  # no item on any page lies here

# Settings page.
AT_EASY="147 234"; AT_NORMAL="147 284"; AT_HARD="147 334"
AT_P1_KEYS="320 234"; AT_P2_KEYS="320 284"; AT_CLOSE="320 384"
AT_P1_NAME="493 234"; AT_P2_NAME="493 284"
# Where the check mark sits on each difficulty row.
CHECK_EASY="185 224 205 244"; CHECK_NORMAL="185 274 205 294"; CHECK_HARD="185 324 205 344"

# Playground choice and exit confirmation.
AT_TENNIS="249 227"; AT_FUTURISTIC="391 227"
AT_YES="257 304"; AT_NO="383 304"

# Key capture prompt and the typed name.
PROMPT="228 240 416 258"
NAME_CELL0="247 258 261 274"
NAME_CELL4="303 258 317 274"

# Match screen: the panel's score digits, "CAMERA MODE", the frame counter,
# the field, the bats where a rally starts and bat 2 at the top.
P1_DIGIT="301 9 315 23"; P2_DIGIT="329 9 343 23"
CAMERA_TEXT="240 454 396 470"; FPS_TEXT="10 454 130 470"
FIELD="60 60 580 420"
PANEL_ROW="0 0 640 30"  # the whole panel: it stands still on either floor
BAT1_HOME="84 215 98 268"; BAT2_HOME="538 215 556 268"; BAT2_TOP="538 106 556 158"

# The game runs slower in the sanitizer build: waits for play grow with it, and
# it plays the short flow (the logic tests watch every page's code under the
# sanitizers; a real run adds the real window, mixer and pictures).
if sanitizer_build; then SLOW=2; PLAY_FLOW=short; else SLOW=1; fi

# Player keys: the whole flow captures player 1's w, s, x on the settings pages,
# and o for player 2's up, then Escape, so down and pass keep the arrows; the
# short flow plays with the keys a new settings file gives.
PLAY_FLOW=${PLAY_FLOW:-whole}
if [ "$PLAY_FLOW" = whole ]; then
  P1_UP=w; P1_DOWN=s; P1_PASS=x; P2_UP=o
else
  P1_UP=a; P1_DOWN=z; P1_PASS=space; P2_UP=Up
fi
P2_DOWN=Down; P2_PASS=Left

# On "tennis", whose floor stands still: where each bat may stand (its column),
# and the screen rows a bat reaches at its top and bottom bounds, at every size.
BAT1_X="76 99"; BAT2_X="530 565"
BAT_TOP_EDGE=92.5; BAT_BOTTOM_EDGE=387.5
# A serve is a short press; held long enough that even a frame drawn slowly on a
# busy machine sees the key down (a press and release within one frame would
# never reach an idle step).
SERVE_HOLD=0.$(( 3 * SLOW ))
# How long a rally may take to end in a point; the wait ends at the point. A
# busy machine that draws fewer than 67 frames a second runs the game slower
# than the clock.
POINT_WAIT=$(( 20 * SLOW ))

# The pointer onto an item, its glow awaited (hover); off every item, nothing to
# await: X delivers the motion before any later input, and what follows awaits
# the page it expects.
move() { if [ "$1 $2" = "$AT_NOTHING" ]; then pointer_to_menu "$1" "$2"; else hover "$1" "$2"; fi; }

# A line of the test's log, with the seconds since the script started.
log() { echo "[${SECONDS}s] $*"; }

# ---- Checks built on the witnesses -------------------------------------------------

effects_on() { [ "$EFFECTS" = 1 ]; }
music_on() { [ "$MUSIC" = 1 ]; }

# After an event that plays an effect: sound when effects are on; silence when
# nothing else can sound (music off) and effects are off.
expect_effect() {
  if effects_on; then
    expect_sound "$1" "$2"
  elif ! music_on; then
    expect_silence "$1" 0.4 "$2 (effects off)"
  fi
}

# Where nothing plays an effect: silent unless the music plays.
expect_quiet() {
  if music_on; then
    expect_sound "$1" "the music, $2"
  else
    expect_silence "$1" 0.4 "$2"
  fi
}

# Fails unless the two screenshots agree (mean difference below 1) in the region.
same() {
  local d
  d=$(shot_diff "$1" "$2" ${3:-0 0 640 480})
  below "$d" 1 || fail "$4: the screen changed (difference $d)"
}

# Fails unless the two screenshots differ (mean difference above $4) in the region $3.
changed() {
  local d
  d=$(shot_diff "$1" "$2" $3)
  above "$d" "$4" || fail "$5: no change seen (difference $d)"
}

# Seconds from now, as a deadline for the waits below.
deadline_in() { awk -v now="$(date +%s.%N)" -v wait="$1" 'BEGIN { printf "%.2f", now + wait }'; }
passed() { ! below "$(date +%s.%N)" "$1"; }

# How long the screen may take to show what an input asked for; a busy machine
# draws few frames a second. The waits end as soon as the screen shows it.
SCREEN_WAIT=$(( 15 * SLOW ))

# Takes screenshots named $1 until one agrees with $2 in region $3 ("" for the
# whole window); fails with $4 when none does in time. SHOT holds the last one.
await_same() {
  shot_await "$1" "$SCREEN_WAIT" same "$2" $3 || fail "$4: the screen differs (difference $AWAITED)"
}

# Takes screenshots named $1 until one differs from $2 in region $3 by more than
# $4; fails with $5 when none does in time. SHOT holds the last one.
await_change() {
  shot_await "$1" "$SCREEN_WAIT" change "$2" "$4" $3 || fail "$5: no change seen (difference $AWAITED)"
}

# The difficulty row that shows the check mark: the row greener than both others by a margin.
checked_row() {
  local row greens
  read -r row greens < <(python3 -S "$E2E_LIB/shot.py" checked "$1" "$CHECK_EASY" "$CHECK_NORMAL" "$CHECK_HARD")
  case $row in 1) echo easy ;; 2) echo normal ;; 3) echo hard ;; *) echo "none (green $greens)" ;; esac
}

# Takes screenshots named $1 until one shows the check mark on row $2.
await_checked() {
  local number
  case $2 in easy) number=1 ;; normal) number=2 ;; hard) number=3 ;; esac
  shot_await "$1" "$SCREEN_WAIT" checked "$number" "$CHECK_EASY" "$CHECK_NORMAL" "$CHECK_HARD" ||
    fail "check mark on row $(checked_row "$SHOT"), expected $2"
}

# Text cells of a name in the panel (of $3 cells from x $2 of shot $1; at height $4 of the window, the
# panel's 8 when not given): "1" for a cell with glyph ink, "0" for an empty one.
ink_pattern() {
  shot_cells "$1" "$2" "${4:-8}" "$3" | awk '{for (i = 1; i <= NF; i++) printf "%d", ($i > 8); print ""}'
}

# ---- The intro ------------------------------------------------------------------

# Watches the whole intro: the purple background at the start, the logos meeting
# in the middle, the fade, and the menu that follows once the screen stands still.
watch_full_intro() {
  local first corner i prev cur mark prev_mark met=0 before_menu_mark=0 r g b
  # The window may show before its first frame is drawn.
  for i in $(seq 1 $(( 50 * SLOW ))); do
    first=$(shot intro_start)
    read -r r g b < <(shot_mean "$first" 5 5 40 40)
    (( r > 90 && r < 170 && g < 40 && b > 190 )) && break
    sleep 0.1
  done
  (( r > 90 && r < 170 && g < 40 && b > 190 )) || fail "intro background is $r $g $b, not purple-blue"
  prev=$first
  prev_mark=$(audio_mark)
  for i in $(seq 1 $(( 60 * SLOW ))); do
    sleep 0.3
    mark=$(audio_mark)
    cur=$(shot "intro_$i")
    # The logos meet edge to edge on the centre line, covering the background there.
    # At rest on a screen that is no longer the intro's (whose last second, the
    # logos gone, is a still black screen): the menu.
    local centre_covered intro change
    read -r centre_covered intro change < <(python3 -S "$E2E_LIB/shot.py" intro "$prev" "$cur")
    (( centre_covered )) && met=1
    if (( met && ! intro )) && below "$change" 0.3; then
      MENU_SHOT=$cur
      break
    fi
    before_menu_mark=$prev_mark
    prev=$cur
    prev_mark=$mark
  done
  [ -n "${MENU_SHOT:-}" ] || fail "the intro never came to rest on the menu"
  (( met )) || fail "never saw the two logos meet in the middle"
  corner=$(shot_mean "$MENU_SHOT" 5 5 40 40)
  read -r r g b <<<"$corner"
  (( r < 90 && b < 190 && g > 2 )) || fail "the screen at rest still shows the intro background ($corner)"

  # Sound of the intro: nothing while the logos slide in, the bang when they meet
  # (effects on), and no music until the intro is over.
  local first_loud
  first_loud=$(audio_first_loud 0 "$SOUND_PEAK")
  if effects_on; then
    [ "$first_loud" != none ] || fail "no bang when the logos met"
    above "$first_loud" 1.0 || fail "sound ${first_loud}s into the intro, before the logos could meet"
  else
    local peak
    peak=$(audio_peak 0 "$before_menu_mark")
    [ "$peak" -le "$SILENT_PEAK" ] || fail "sound during the intro with effects off (peak $peak)"
  fi
  log "intro: purple start, logos met, menu at rest; first sound at ${first_loud}s"
}

# ---- The menu ---------------------------------------------------------------------

main_menu_hover() {
  move $AT_NOTHING
  local idle hover mark
  await_same menu_idle "$MENU_SHOT" "" "pointer over no item"
  idle=$SHOT
  mark=$(audio_mark)
  expect_quiet "$mark" "main menu with the pointer over no item"

  # Onto "single player": the glow lights that item only, and the hover sound plays.
  mark=$(audio_mark)
  move $AT_SINGLE
  await_change menu_hover_single "$idle" "$ITEM_SINGLE" 10 "glow over single player"
  same "$idle" "$SHOT" "$ITEM_TWO" "the glow on single player only"
  expect_effect "$mark" "the pointer came onto single player"

  # Moving within the item plays nothing more (heard once the hover sound has ended).
  music_on || await_silence
  mark=$(audio_mark)
  pointer_to_menu 330 190
  if ! music_on; then expect_silence "$mark" 0.3 "moving within an item"; fi

  # Straight onto the next item without a motion outside both: the glow moves, no sound.
  mark=$(audio_mark)
  move $AT_TWO
  await_change menu_hover_two "$idle" "$ITEM_TWO" 10 "glow over two players"
  same "$idle" "$SHOT" "$ITEM_SINGLE" "the glow left single player"
  if ! music_on; then expect_silence "$mark" 0.3 "moving straight from one item onto the next"; fi
  log "main menu: glow follows the pointer, hover sound on entering an item"
}

# Clicks the item at $1 $2 once its glow shows, checks the page sound ($3 says
# which click) and awaits the screen's answer as menu_click does (the test in
# $4..., if any). SHOT is left showing the screen just before the click.
click_page() {
  move "$1" "$2"
  local mark glowing=$SHOT what=$3
  shift 3
  music_on || await_silence
  mark=$(audio_mark)
  click
  expect_effect "$mark" "$what"
  await_answer "$what" "$glowing" "$@"
  SHOT=$glowing
}

settings_page() {
  click_page $AT_SETTINGS "the click that opens the settings"
  move $AT_NOTHING
  await_checked settings normal

  # Each difficulty: the click keeps the page, plays no page sound, moves the check mark.
  local row mark
  for row in hard normal easy; do
    case $row in hard) move $AT_HARD ;; normal) move $AT_NORMAL ;; easy) move $AT_EASY ;; esac
    music_on || await_silence
    mark=$(audio_mark)
    click
    if ! music_on; then expect_silence "$mark" 0.3 "a click on $row (no page change)"; fi
    await_checked "settings_$row" "$row"
  done
  # The click hid the glow and the pointer has not moved since: the page as it stands.
  SETTINGS_SHOT=$SHOT
  log "settings: the check mark follows hard, normal and easy"
}

capture_player1_keys() {
  click_page $AT_P1_KEYS "the click on player 1 keys"
  await_change keys1_up "$SETTINGS_SHOT" "" 3 "the key page for player 1"
  local up=$SHOT down
  # Shift, Ctrl and Alt are no keys of their own: the page still asks for the up key.
  tap_key Shift_L
  tap_key Control_L
  tap_key Alt_L
  sleep 0.3
  same "$(shot keys1_modifiers)" "$up" "$PROMPT" "modifier keys on the key page"
  tap_key $P1_UP
  await_change keys1_down "$up" "$PROMPT" 3 "the prompt after the first key"
  down=$SHOT
  tap_key $P1_DOWN
  await_change keys1_pass "$down" "$PROMPT" 3 "the prompt after the second key"
  tap_key $P1_PASS
  await_same keys1_done "$SETTINGS_SHOT" "" "back on the settings page after three keys"
  log "player 1 keys: three keys captured, back on the settings page"
}

capture_player2_up_only() {
  click_page $AT_P2_KEYS "the click on player 2 keys"
  await_change keys2_up "$SETTINGS_SHOT" "" 3 "the key page for player 2"
  local up=$SHOT
  tap_key $P2_UP
  await_change keys2_down "$up" "$PROMPT" 3 "the prompt after player 2's first key"
  tap_key Escape
  await_same keys2_escaped "$SETTINGS_SHOT" "" "Escape on the key page returns to the settings page"
  log "player 2 keys: one key, then Escape back to the settings page"
}

type_player1_name() {
  click_page $AT_P1_NAME "the click on player 1 name"
  await_change name_full "$SETTINGS_SHOT" "" 3 "the name page for player 1"
  local i full=$SHOT empty typed kaja
  for i in 1 2 3 4 5 6 7 8; do tap_key BackSpace; done
  await_change name_empty "$full" "$NAME_CELL0" 3 "Backspace clearing the name"
  empty=$SHOT
  # A Tab is no letter of a name (the settings file would lose its lines to it).
  tap_key Tab
  type_text kajax
  await_change name_kajax "$empty" "$NAME_CELL4" 3 "the fifth letter typed"
  typed=$SHOT
  tap_key BackSpace
  await_change name_kaja "$typed" "$NAME_CELL4" 3 "Backspace removing the fifth letter"
  kaja=$SHOT
  same "$typed" "$kaja" "247 258 303 274" "Backspace keeping the first four letters"
  # Escape does not leave the name page: a letter typed after it still shows in the name.
  tap_key Escape
  tap_key x
  await_same name_escape "$typed" "$NAME_CELL4" "the letter typed after Escape on the name page"
  same "$SHOT" "$typed" "" "Escape on the name page"
  tap_key BackSpace
  await_same name_kaja_again "$kaja" "$NAME_CELL4" "Backspace after Escape on the name page"
  tap_key Return
  await_same name_done "$SETTINGS_SHOT" "" "Enter returns to the settings page"
  log "player 1 name: cleared with Backspace, typed, corrected, finished with Enter"
}

close_settings() {
  click_page $AT_CLOSE "the click on close"
  move $AT_NOTHING
  await_same menu_again "$MENU_SHOT" "" "close shows the main menu"
}

# ---- Play ---------------------------------------------------------------------------

# Chooses a mode ($1: single or two) and a playground ($2: tennis or futuristic).
start_match() {
  if [ "$1" = single ]; then click_page $AT_SINGLE "the click on single player"
  else
    click_page $AT_TWO "the click on two players"
    click_page $AT_LOCAL "the click on this computer"
  fi
  if [ "$2" = tennis ]; then click_page $AT_TENNIS "the click on tennis"
  else click_page $AT_FUTURISTIC "the click on futuristic" rest $PANEL_ROW; fi
  # The match screen; SHOT holds it.
  SHOT=$(shot "match_$2")
}

# Waits up to $1 seconds for a point, comparing the score digits with the
# screenshot $2. Prints "p1" or "p2" for the side whose digit changed, or "none";
# the screenshot that showed the point is kept as $WORKDIR/shots/point.xwd.
wait_point() {
  if shot_await point_poll "$1" which "$2" 8 "$P1_DIGIT" "$P2_DIGIT"; then
    cp "$SHOT" "$WORKDIR/shots/point.xwd"
    echo "p$AWAITED"
  else
    echo none
  fi
}

# The field between the bats' columns: on "tennis", whose floor stands still,
# only the ball changes there.
FLIGHT="130 40 520 440"

# Holds key $1 until bat $2 (1 or 2) is seen at its $3 bound (top or bottom)
# on "tennis", against the screenshot $4 with the bat at home; fails when it
# never gets there. With $5 "keep" the key stays held. The key goes to
# KEY_DISPLAY when set (the other side of a network match). SHOT shows the bat there.
bat_to_bound() {
  local x0 x1 seen
  if [ "$2" = 1 ]; then read -r x0 x1 <<<"$BAT1_X"; else read -r x0 x1 <<<"$BAT2_X"; fi
  DISPLAY=${KEY_DISPLAY:-$DISPLAY} xdotool keydown "$1"
  if [ "$3" = top ]; then
    shot_await "bat$2_top" "$SCREEN_WAIT" edge "$4" 60 top "$BAT_TOP_EDGE" "$x0" 40 "$x1" 200
  else
    shot_await "bat$2_bottom" "$SCREEN_WAIT" edge "$4" 60 bottom "$BAT_BOTTOM_EDGE" "$x0" 280 "$x1" 440
  fi
  seen=$?
  [ "${5:-}" = keep ] || DISPLAY=${KEY_DISPLAY:-$DISPLAY} xdotool keyup "$1"
  (( seen == 0 )) || fail "bat $2 was never seen at its $3 on $1 (its edge at $AWAITED)"
}

# Waits until a new rally with player 1 to serve is set up: both bats back home
# with the ball on bat 1, as on the screenshot $1 of such a rally; else fails with $2.
await_rally() {
  shot_await rally "$POINT_WAIT" near "$1" 2 $BAT1_HOME && shot_await rally "$POINT_WAIT" near "$1" 2 $BAT2_HOME ||
    fail "$2 (difference $AWAITED)"
}

# Serves with key $1 once the rally is set up: presses it until the ball is seen
# in flight, away from the bat, on screenshots compared with $2 (taken with no
# ball between the bats: held on a bat, or out beyond an end). A key that must
# not reach the serve (it would bend it) is pressed only after this. The key
# goes to the display $3 when given (the other side of a network match).
serve_seen() {
  local tries
  for tries in $(seq 1 $(( 20 * SLOW ))); do
    DISPLAY=${3:-$DISPLAY} hold_key "$1" "$SERVE_HOLD"
    shot_await serve_flight 1 moved "$2" 90 $FLIGHT && return 0
  done
  fail "the ball never left the bat on $1 (the field changed at $AWAITED)"
}

# Number of separate sounds after mark $1: runs of sound split by at least 0.15 s of silence.
audio_bursts() {
  python3 -S - "$WORKDIR/audio.raw" "$1" "$SOUND_PEAK" <<'PY'
import sys, array
path, start, level = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, 'rb') as f:
    f.seek(start - start % 4)
    data = f.read()
samples = array.array('h', data[:len(data) - len(data) % 4])
gap = int(0.15 * 22050) * 2
onsets, quiet = [], gap
for i, s in enumerate(samples):
    if abs(s) > level:
        if quiet >= gap: onsets.append('%.2f' % (i / 44100))
        quiet = 0
    else:
        quiet += 1
print(len(onsets), 'at', ' '.join(onsets) or '-', 's of', '%.2f' % (len(samples) / 44100))
PY
}

# The panel's name cells: ink or none, for player 1 and player 2.
NAME_KAJA=11110000; NAME_PLAYER=11111101; NAME_COMPUTER=11111111

single_player_futuristic() {
  start_match single futuristic
  local start=$SHOT
  [ "$(ink_pattern "$start" 25 8)" = "$P1_NAME_INK" ] || fail "player 1's name is not in the panel"
  [ "$(ink_pattern "$start" 495 8)" = "$NAME_COMPUTER" ] || fail "the panel does not show computer for player 2"
  local mark
  music_on || await_silence  # the click's page sound
  mark=$(audio_mark)
  expect_quiet "$mark" "the ball held before the serve"

  # A point for the computer: player 1 serves from the middle and then keeps the
  # bat at the top, out of the ball's way; the computer returns and scores.
  # (Serves bent past the computer are a witness match of the logic tests.)
  local serves outcome p1point=$start
  for serves in 1 2 3 4; do
    mark=$(audio_mark)
    hold_key $P1_PASS $SERVE_HOLD
    xdotool keydown $P1_UP
    outcome=$(wait_point "$POINT_WAIT" "$p1point")
    xdotool keyup $P1_UP
    [ "$outcome" = p2 ] && break
    # Player 1's up key reached the serve and bent it past the computer: again
    # once the next rally is set up, bat 1 back home with the ball.
    if [ "$outcome" = p1 ]; then
      p1point=$(shot score_p1)
      shot_await rally_again "$POINT_WAIT" near "$start" 20 $BAT1_HOME || fail "no new rally after player 1's point"
    fi
  done
  [ "$outcome" = p2 ] || fail "the computer won no point while player 1 kept out of the way"
  # Serve, the computer's return, the out sound: a rally heard as separate sounds
  # (when no music plays between them). The captured audio is listened to until
  # the third has come: the point on screen and its sound in the file are not
  # one moment (the audio thread writes when it is next run).
  if effects_on && ! music_on; then
    local bursts deadline
    deadline=$(deadline_in "$POINT_WAIT")
    until bursts=$(audio_bursts "$mark") && (( ${bursts%% *} >= 3 )); do
      passed "$deadline" && fail "heard $bursts sounds in the rally, expected the serve, the return and the point"
      sleep 0.1
    done
    await_silence
  fi
  changed "$p1point" "$(shot score_1_1)" "$P2_DIGIT" 8 "the computer's point in the panel"
  log "single player: the computer won a point"
}

camera_keys() {
  # The computer has just won the point: F1 freezes the match and shows "CAMERA MODE".
  local before still back fps
  before=$(shot before_f1)
  tap_key F1
  await_change camera_mode "$before" "$CAMERA_TEXT" 5 "CAMERA MODE after F1"
  sleep 0.5
  still=$(shot camera_still)
  same "$SHOT" "$still" "" "the match stands still in camera mode"

  # The arrow keys turn the camera; F2 puts it back exactly.
  hold_key Left 0.5
  hold_key Up 0.3
  await_change camera_turned "$still" "$FIELD" 15 "the camera turned by the arrow keys"
  tap_key F2
  await_same camera_reset "$still" "$FIELD" "F2 puts the camera back"
  back=$SHOT

  # F4 shows the frame counter, F3 switches the lighting off and on again.
  tap_key F4
  await_change frame_counter "$back" "$FPS_TEXT" 5 "the frame counter after F4"
  fps=$SHOT
  tap_key F3
  await_change lighting_off "$fps" "$FIELD" 5 "the field unlit after F3"
  tap_key F3
  await_same lighting_on "$back" "$FIELD" "the field lit again after a second F3"
  tap_key F4
  await_same frame_counter_off "$back" "$FPS_TEXT" "no frame counter after a second F4"

  # F1 again: camera mode over, play goes on.
  tap_key F1
  await_same camera_mode_off "$before" "$CAMERA_TEXT" "CAMERA MODE gone after F1"
  log "camera: F1 froze play and showed CAMERA MODE, arrows turned, F2 reset, F3 lighting, F4 frame counter"
}

escape_to_menu() {
  local mark
  mark=$(audio_mark)
  tap_key Escape
  move $AT_NOTHING
  await_same menu_after_match "$MENU_SHOT" "" "Escape from the match shows the main menu"
  music_on && expect_sound "$mark" "the menu music after the match"
  log "Escape: back on the main menu"
}

# Fails unless a bat's region $5 changed from $3 to $4 more than the animated
# floor alone changes it from $1 to $2 (the same bats, moments apart).
bat_moved() {
  local noise moved
  noise=$(shot_diff "$1" "$2" $5)
  moved=$(shot_diff "$3" "$4" $5)
  above "$moved" "$(awk -v n="$noise" 'BEGIN { print n * 1.5 + 1 }')" || fail "$6 (difference $moved, floor alone $noise)"
}

two_player_tennis() {
  start_match two tennis
  local start=$SHOT again
  [ "$(ink_pattern "$start" 25 8)" = "$P1_NAME_INK" ] || fail "player 1's name is not in the panel"
  [ "$(ink_pattern "$start" 495 8)" = "$NAME_PLAYER" ] || fail "the panel does not show player 2's name"
  sleep 0.3
  again=$(shot match_tennis_again)

  # Both bats answer their players' keys.
  local up1 up2 down2
  bat_to_bound $P1_UP 1 top "$start"
  up1=$SHOT
  bat_moved "$start" "$again" "$again" "$up1" "$BAT1_HOME" "player 1's bat did not move on its up key"
  bat_to_bound $P2_UP 2 top "$start"
  up2=$SHOT
  bat_moved "$start" "$again" "$up1" "$up2" "$BAT2_HOME" "player 2's bat did not move on its up key"
  bat_to_bound $P2_DOWN 2 bottom "$start"
  down2=$SHOT
  bat_moved "$start" "$again" "$up2" "$down2" "$BAT2_TOP" "player 2's bat did not move on its down key"

  # Player 1 serves from the top; player 2 waits at the bottom, far from where
  # the ball can come: a point for player 1.
  local outcome mark score
  mark=$(audio_mark)
  serve_seen $P1_PASS "$down2"
  effects_on && expect_sound "$mark" "player 1's serve (bat hit)"
  outcome=$(wait_point "$POINT_WAIT" "$start")
  [ "$outcome" = p1 ] || fail "player 1's serve past player 2's bat at the bottom gave no point to player 1 ($outcome)"
  score=$(shot two_1_0)

  # Then player 2 meets the serve at the top, bending it up, while player 1
  # goes to the bottom once the ball is seen on its way (pressed sooner, its key
  # would bend the serve): a point for player 2, most rallies. The serve's
  # spread is drawn afresh each time; twenty rallies leave nothing to chance.
  local round
  for round in $(seq 1 20); do
    await_rally "$start" "no new rally after the point"
    bat_to_bound $P1_UP 1 top "$start"
    bat_to_bound $P2_UP 2 top "$start" keep
    serve_seen $P1_PASS "$score"
    xdotool keydown $P1_DOWN
    outcome=$(wait_point "$POINT_WAIT" "$score")
    xdotool keyup $P2_UP $P1_DOWN
    score=$(shot "two_after_$round")
    [ "$outcome" = p2 ] && break
    [ "$outcome" = none ] && fail "no point within $POINT_WAIT s"
  done
  [ "$outcome" = p2 ] || fail "player 2 won no point in $round rallies"
  # Player 2 serves with its own key; with player 1 gone to the top a point
  # follows, which a ball still held on bat 2 could never give.
  mark=$(audio_mark)
  serve_seen $P2_PASS "$score"
  effects_on && expect_sound "$mark" "player 2's serve (bat hit)"
  bat_to_bound $P1_UP 1 top "$start"
  [ "$(wait_point "$POINT_WAIT" "$score")" != none ] || fail "no point after player 2's serve"
  log "two players: both bats moved, each side won a point, player 2 served with its own key"
}

exit_through_confirmation() {
  click_page $AT_EXIT "the click on exit"
  click_page $AT_NO "the click on no"
  move $AT_NOTHING
  await_same menu_after_no "$MENU_SHOT" "" "no returns to the main menu"
  # Escape with the pointer resting on yes: the main menu, where a click before
  # the pointer moves again quits nothing.
  click_page $AT_EXIT "the click on exit"
  move $AT_YES
  tap_key Escape
  await_same menu_after_escape "$MENU_SHOT" "" "Escape on the exit page shows the main menu"
  click
  # Once the glow shows on exit again, that click has been taken: it changed nothing.
  click_page $AT_EXIT "the click on exit"
  same "$SHOT" "$MENU_SHOT" "0 0 640 316" "a click after Escape on the exit page"
  move $AT_YES
  click
  wait_exit $(( 15 * SLOW )) || fail "the game did not end after yes"
  [ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
}

# The settings file as this run leaves it.
expected_settings() {
  local difficulty=$1
  printf 'music= %s\neffects= %s\nresolution= %s\nmode= %s\ndifficulty= %s\n' "$MUSIC" "$EFFECTS" "$RESOLUTION" "$MODE" "$difficulty"
  printf 'camAngleX= 0.000000\ncamAngleY= 0.000000\ncamAngleZ= 0.000000\ncamZoom= 0.000000\n'
  if [ "$PLAY_FLOW" = whole ]; then
    printf 'p1name: \nkaja\np2name: \nplayer 2\n'
    printf 'p1Up= 119\np1Down= 115\np1Pass= 120\np2Up= 111\np2Down= 103\np2Pass= 100\n'
  else
    printf 'p1name: \nplayer 1\np2name: \nplayer 2\n'
    printf 'p1Up= 97\np1Down= 122\np1Pass= 32\np2Up= 101\np2Down= 103\np2Pass= 100\n'
  fi
}

check_settings_file() {
  [ -f "$WORKDIR/tarvo.ini" ] || fail "no tarvo.ini written"
  diff <(expected_settings 13.000000) "$WORKDIR/tarvo.ini" >"$WORKDIR/settings.diff" ||
    fail "tarvo.ini differs from what was chosen: $(cat "$WORKDIR/settings.diff")"
}

check_window_size() {
  local x y w h
  read -r x y w h < <(window_geometry)
  [ "$w" = "$EXPECT_W" ] && [ "$h" = "$EXPECT_H" ] || fail "window is ${w}x${h}, expected ${EXPECT_W}x${EXPECT_H}"
  [ "$x" = 0 ] && [ "$y" = 0 ] || fail "window at ($x, $y), expected (0, 0)"
}

# First run: the whole intro, the menu, the settings, the matches, the exit.
play_first_run() {
  [ -n "$SETTINGS" ] && printf '%s' "$SETTINGS" >"$WORKDIR/tarvo.ini"
  use_disk_audio
  start_game
  wait_window || fail "window did not open"
  check_window_size
  focus_game
  watch_full_intro
  music_on && expect_sound "$(audio_mark)" "the menu music after the intro"
  main_menu_hover
  settings_page
  if [ "$PLAY_FLOW" = whole ]; then
    capture_player1_keys
    capture_player2_up_only
    type_player1_name
    P1_NAME_INK=$NAME_KAJA
  else
    P1_NAME_INK=$NAME_PLAYER
  fi
  close_settings
  single_player_futuristic
  camera_keys
  escape_to_menu
  if [ "$PLAY_FLOW" = whole ]; then
    two_player_tennis
    escape_to_menu
  fi
  exit_through_confirmation
  check_stderr
  # With no pad, nothing at all on standard output (a pad plugged into the
  # machine running the tests would be named there).
  if ! compgen -G '/dev/input/js*' >/dev/null; then
    [ ! -s "$WORKDIR/stdout" ] || fail "standard output without a pad: $(cat "$WORKDIR/stdout")"
  fi
  check_settings_file
  log "first run ($PLAY_FLOW flow): exit status 0, tarvo.ini holds the chosen difficulty, name and keys"
}

# Second run on the file the first one wrote: the intro skipped with Escape,
# the settings read back, and the exit again.
play_second_run() {
  local written mark
  written=$(cat "$WORKDIR/tarvo.ini")
  start_game
  wait_window || fail "window did not open on the second run"
  check_window_size
  focus_game
  mark=$(audio_mark)
  tap_key Escape
  move $AT_NOTHING
  SCREEN_WAIT=$(( 10 * SLOW )) await_same skipped "$MENU_SHOT" "" "Escape in the intro shows the main menu"
  # The logos would have met with a bang two seconds into the intro: Escape
  # ended it before, so only the music (when on) is heard.
  if music_on; then
    expect_sound "$mark" "the menu music after the skipped intro"
  else
    expect_silence "$mark" 2.5 "after the intro was skipped"
  fi
  click_page $AT_SETTINGS "the click that opens the settings"
  await_checked settings_read_back easy
  same "$SHOT" "$SETTINGS_SHOT" "" "settings page on the second run"
  tap_key Escape
  await_same menu_back "$MENU_SHOT" "" "Escape on the settings page shows the main menu"
  exit_through_confirmation
  check_stderr
  [ "$(cat "$WORKDIR/tarvo.ini")" = "$written" ] || fail "tarvo.ini changed on a run that changed nothing"
  log "second run: intro skipped with Escape, settings read back, exit status 0"
}

play_whole_game() {
  make_workdir
  play_first_run
  play_second_run
}

# ---- Text on a menu page, read as ink_pattern reads the panel's names ------------------------------------

# Ink of the cells of a line of text $3 cells long centred at height $2 of shot $1, and of one cell
# more on either side: "1" a cell with ink, "0" none.
line_ink() { ink_pattern "$1" $(( 306 - 7 * $3 )) $(( $3 + 2 )) $(( 464 - $2 )); }

# What line_ink reads of text $1 in a 640 x 480 window: ink for a letter or digit, none for a space or a
# stop (too few pixels), either for a colon or a bracket; none on either side, so that a line longer or
# shorter differs.
ink_of() { local t=${1//[[:alnum:]]/1}; t=${t//[ .]/0}; echo "^0${t//[^01]/[01]}0\$"; }

# True when shot $1 shows text $2 centred at height $3 [and text $4 centred at height $5].
shows_text() {
  [[ $(line_ink "$1" "$3" ${#2}) =~ $(ink_of "$2") ]] || return 1
  [ -z "${4:-}" ] || [[ $(line_ink "$1" "$5" ${#4}) =~ $(ink_of "$4") ]]
}

# Takes screenshots named $1 until one shows what shows_text reads ($2 at $3 [, $4 at $5]); fails when
# none does in time. SHOT holds it.
await_text() {
  local deadline
  deadline=$(deadline_in "$SCREEN_WAIT")
  until SHOT=$(shot "$1") && shows_text "$SHOT" "${@:2}"; do
    passed "$deadline" && fail "'$2' never showed (ink $(line_ink "$SHOT" "$3" ${#2}))"
    sleep 0.1
  done
}
