# Shared helpers for the scripts that run the real game under the virtual X server.
# Usage: source this file with GAME (the binary) and BUILD_DIR (where data/ lives) set.

E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Debian's own tools first: a version manager's python3 ahead of it in the PATH
# would cost half a second a call, and the tests make hundreds of them. Every
# python3 of the tests needs nothing beyond the standard library, so each runs
# with -S: no site folders, whose start-up hooks may cost a tenth of a second.
export PATH="/usr/bin:/bin:$PATH"

# Game windows carry no process id, so a window of another test running at the
# same time could be taken for ours (or cover ours and take its clicks). Each
# script therefore runs on a virtual display of its own: call this first, with
# the script's path and arguments; it starts the script again under its own
# X server, and returns at once when that is already done.
own_display() {
  if [ -z "${TARVO_OWN_DISPLAY:-}" ]; then
    TARVO_OWN_DISPLAY=1 exec "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/headless.sh" bash "$@"
  fi
}

# Removes the game and its working directory when the script ends.
trap 'stop_game; [ -n "${WORKDIR:-}" ] && rm -rf "$WORKDIR"' EXIT

# True in a build made with the sanitizers: the game runs several times slower there.
sanitizer_build() {
  grep -q '^TARVO_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null
}

# True when the game runs on sdl12-compat, SDL 1.2's interface over SDL2 (as `make test` runs the
# sanitizer build), rather than on SDL 1.2 itself.
sdl2_beneath() {
  ldd "$GAME" 2>/dev/null | grep -q 'libSDL-1\.2\.so\.0 => .*sdl12-compat'
}

# A fresh working directory with the game's data beside it and no settings file.
# Screenshots of the run go to $WORKDIR/shots.
make_workdir() {
  WORKDIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
  if [ -d "$BUILD_DIR/data" ]; then ln -s "$BUILD_DIR/data" "$WORKDIR/data"; fi
  mkdir -p "$WORKDIR/shots"
}

# The sanitizer build's leak report would blame the OpenGL driver, which keeps
# its allocations to the end; every other sanitizer report stays on.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# A fresh working directory with a copy of the game's data, for a test to take
# files away from, and a window-mode settings file with both sound switches on;
# screenshots go to $WORKDIR/shots.
make_workdir_with_data_copy() {
  WORKDIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
  # The build's data/ may be a link to another build's: the copy holds the files themselves.
  cp -rL "$BUILD_DIR/data" "$WORKDIR/data"
  mkdir -p "$WORKDIR/shots"
  printf 'music= 1\neffects= 1\nresolution= 1\nmode= 0\n' >"$WORKDIR/tarvo.ini"
}

# The virtual display's refresh: a game started by these helpers draws at a
# monitor's 75 frames a second (tests/tools/paced_display.c), as on a player's
# screen, rather than as fast as the processor allows. (The sanitizer build's
# runtime is told not to mind a library loaded ahead of it.)
paced_display() {
  local library=$BUILD_DIR/tests/libtarvo-paced-display.so
  [ -f "$library" ] || return 0
  export LD_PRELOAD=$library
  export ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0
}

# Starts the game in $WORKDIR, with the options given; its standard error goes
# to $WORKDIR/stderr, its standard output to $WORKDIR/stdout. GAME_LAUNCHER, when
# set, is a command the game is started through (lan.sh's: its network namespace).
start_game() {
  (cd "$WORKDIR" && paced_display && exec ${GAME_LAUNCHER:-} "$GAME" "$@" 2>"$WORKDIR/stderr" >"$WORKDIR/stdout") &
  GAME_PID=$!
}

# Waits until the game's window is mapped; sets WINDOW, WINDOW_W and WINDOW_H. Fails after 30 s.
wait_window() {
  local i
  for i in $(seq 1 300); do
    WINDOW=$(xdotool search --onlyvisible --name '^Tarvo Rink$' 2>/dev/null | head -n 1)
    if [ -n "$WINDOW" ]; then
      read -r _ _ WINDOW_W WINDOW_H < <(window_geometry)
      return 0
    fi
    kill -0 "$GAME_PID" 2>/dev/null || { echo "game exited before its window showed"; return 1; }
    sleep 0.1
  done
  echo "no game window after 30 s"
  return 1
}

# Prints "X Y WIDTH HEIGHT" of the game window.
window_geometry() {
  xdotool getwindowgeometry --shell "$WINDOW" | awk -F= '
    $1=="X"{x=$2} $1=="Y"{y=$2} $1=="WIDTH"{w=$2} $1=="HEIGHT"{h=$2} END{print x, y, w, h}'
}

stop_game() {
  if [ -n "${GAME_PID:-}" ] && kill -0 "$GAME_PID" 2>/dev/null; then
    kill "$GAME_PID" 2>/dev/null
    wait "$GAME_PID" 2>/dev/null || true
  fi
  GAME_PID=
}

# Waits up to $1 seconds for the game to end by itself; sets EXIT_STATUS. Fails if it does not.
wait_exit() {
  local i
  for i in $(seq 1 $(( $1 * 10 ))); do
    kill -0 "$GAME_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$GAME_PID" 2>/dev/null && return 1
  wait "$GAME_PID"
  EXIT_STATUS=$?
  GAME_PID=
  return 0
}

# Keeps what a failed run leaves for the person who reads the test log:
# screenshots, standard error and the settings file, under the build's Testing/.
keep_evidence() {
  [ -n "${WORKDIR:-}" ] && [ -d "$WORKDIR" ] || return 0
  local dest="$BUILD_DIR/Testing/e2e-failures/${E2E_NAME:-$(basename "$0" .sh)}"
  rm -rf "$dest"
  mkdir -p "$dest"
  if [ -d "$WORKDIR/shots" ]; then
    mkdir -p "$dest/shots"
    local dump
    for dump in "$WORKDIR"/shots/*; do
      case $dump in
        *.xwd) python3 -S "$E2E_LIB/shot.py" png "$dump" "$dest/shots/$(basename "$dump" .xwd).png" ;;
        *) cp "$dump" "$dest/shots/" 2>/dev/null ;;
      esac
    done
  fi
  cp "$WORKDIR/stderr" "$WORKDIR/tarvo.ini" "$dest/" 2>/dev/null
  echo "evidence kept in $dest"
}

fail() {
  echo "FAIL: $*"
  [ -f "${WORKDIR:-/nonexistent}/stderr" ] && sed 's/^/  game stderr: /' "$WORKDIR/stderr"
  stop_game
  keep_evidence
  exit 1
}

# The standard error stream must hold no line but the two that SDL's disk audio
# driver prints when it is chosen (the tests choose it to capture the sound), in
# SDL 1.2's words or in those of the SDL2 beneath sdl12-compat.
check_stderr() {
  local unexpected
  unexpected=$(grep -v -e '^WARNING: You are using the SDL disk writer audio driver!$' \
    -e '^ Writing to file \[.*\]\.$' -e '^CRITICAL: You are using the SDL disk i/o audio driver!$' \
    -e '^CRITICAL:  Writing to file \[.*\]\.$' "$WORKDIR/stderr")
  [ -z "$unexpected" ] || fail "unexpected lines on standard error: $unexpected"
}

# ---- Witnesses ----------------------------------------------------------------

# Saves a PNG of the game window to $1.
screenshot() {
  xwd -silent -id "$WINDOW" | convert xwd:- "$1"
}

# Saves a dump of the game window as $WORKDIR/shots/$1.xwd and prints its path.
# shot.py reads the dumps as they are; a failed test keeps them as PNG pictures.
shot() {
  local path="$WORKDIR/shots/$1.xwd"
  xwd -silent -id "$WINDOW" >"$path"
  echo "$path"
}

# Screenshots named $1 of the game window, taken until a test of shot.py's
# `await` holds ($3...), for at most $2 seconds: false when time ran out. SHOT
# is the last screenshot, AWAITED what shot.py measured on it.
shot_await() {
  local name=$1 seconds=$2
  shift 2
  SHOT=$WORKDIR/shots/$name.xwd
  AWAITED=$(python3 -S "$E2E_LIB/shot.py" await "$WINDOW" "$SHOT" "$seconds" "$@")
}

# Region measures on screenshots, in 640 x 480 menu units with y from the top (see shot.py).
shot_mean() { python3 -S "$E2E_LIB/shot.py" mean "$@"; }
shot_diff() { python3 -S "$E2E_LIB/shot.py" diff "$@"; }
shot_cells() { python3 -S "$E2E_LIB/shot.py" cells "$@"; }

# Numeric comparisons of decimals: "above A B" is true when A > B.
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 > b + 0) }'; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 < b + 0) }'; }

# Prints "R G B" (0-255) of the pixel at window coordinates (x, y), y from the top.
pixel_at() {
  convert "$1" -crop "1x1+$2+$3" -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]\n' info:
}

# Mean brightness (0-255) of a region WxH+X+Y of a screenshot.
region_brightness() {
  convert "$1" -crop "$2" -colorspace Gray -format '%[fx:int(255*mean)]' info:
}

# Start the game with SDL's disk audio driver writing every mixed sample to
# $WORKDIR/audio.raw (22050 Hz, 16-bit, stereo). The driver waits this many
# milliseconds between buffers of 1024 samples (46 ms of sound), so the file
# grows at about the pace of real time.
use_disk_audio() {
  export SDL_AUDIODRIVER=disk
  export SDL_DISKAUDIOFILE="$WORKDIR/audio.raw"
  export SDL_DISKAUDIODELAY=40
}

# Byte length of the captured audio so far: a mark to measure sound from.
audio_mark() {
  stat -c %s "$WORKDIR/audio.raw" 2>/dev/null || echo 0
}

# Peak sample magnitude (0-32767) in the captured audio from byte $1 to byte $2 (or the end).
audio_peak() {
  python3 -S - "$WORKDIR/audio.raw" "$1" "${2:-}" <<'PY'
import sys, array
path, start, end = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(path, 'rb') as f:
    f.seek(start - start % 4)
    data = f.read((int(end) - start) if end else -1)
data = data[:len(data) - len(data) % 4]
samples = array.array('h', data)
print(max((abs(s) for s in samples), default=0))
PY
}

# Seconds of sound in the captured audio from byte $1 (or the start) up to its
# first sample louder than $2; "none" when nothing is that loud.
audio_first_loud() {
  python3 -S - "$WORKDIR/audio.raw" "$1" "$2" <<'PY'
import sys, array
path, start, level = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, 'rb') as f:
    f.seek(start - start % 4)
    data = f.read()
data = data[:len(data) - len(data) % 4]
samples = array.array('h', data)
for i, s in enumerate(samples):
    if abs(s) > level:
        print('%.2f' % (i / 2 / 22050.0))
        break
else:
    print('none')
PY
}

# Levels that tell sound from silence: the mixer writes exact zeros when no
# channel plays, and every sound of the game peaks far above this.
SILENT_PEAK=16
SOUND_PEAK=1000

# Fails unless something sounds after mark $1 ($2 says what): looks again and
# again for up to ten seconds, since on a busy machine the audio thread may write
# its buffers late.
expect_sound() {
  local peak tries
  for tries in $(seq 1 50); do
    peak=$(audio_peak "$1")
    [ "$peak" -gt "$SOUND_PEAK" ] && return 0
    sleep 0.2
  done
  fail "no sound after $2 (peak $peak)"
}

# Waits until every sound started before now has ended: the captured audio has
# gone on past two buffers of the mixer (one mixed before now may still be on its
# way to the file) and its last tenth of a second is silent.
await_silence() {
  local from tries end
  from=$(( $(audio_mark) + 2 * 4096 ))
  for tries in $(seq 1 100); do
    end=$(audio_mark)
    (( end - 8820 >= from )) && [ "$(audio_peak $(( end - 8820 )) "$end")" -le "$SILENT_PEAK" ] && return 0
    sleep 0.1
  done
  fail "the sound never ended"
}

# Waits $2 seconds, then fails unless all was silent after mark $1 ($3 says when).
expect_silence() {
  sleep "$2"
  local peak
  peak=$(audio_peak "$1")
  [ "$peak" -le "$SILENT_PEAK" ] || fail "sound where nothing should play: $3 (peak $peak)"
}

# ---- Input, as a player gives it ------------------------------------------------

# Moves the pointer to window coordinates scaled from the 640 x 480 menu screen:
# virtual x and y (y from the top), at the window's real size.
pointer_to_menu() {
  xdotool mousemove --window "$WINDOW" "$(( $1 * WINDOW_W / 640 ))" "$(( $2 * WINDOW_H / 480 ))"
}

# A left click as a hand gives it: press, a short hold, release. Each gesture is
# one xdotool run, so a slow start of the tool on a busy machine never stretches it.
click() {
  xdotool mousedown 1 sleep 0.06 mouseup 1
}

# Keys go to the focused window as real (XTEST) events, as a keyboard sends them.
# A window just mapped may not take the focus yet: asked again until it has it.
focus_game() {
  local i
  for i in $(seq 1 100); do
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null || xdotool windowfocus "$WINDOW" 2>/dev/null
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WINDOW" ] && return 0
    sleep 0.1
  done
  fail "the game window never took the keyboard's focus"
}

# Holds a key (xdotool key name) for $2 seconds. A hold longer than the X
# server's key repeat delay (660 ms) repeats the key, as a keyboard does.
hold_key() {
  xdotool keydown "$1" sleep "$2" keyup "$1"
}

# Holds several keys together (names in $2...) for $1 seconds.
hold_keys() {
  local time=$1
  shift
  xdotool keydown --delay 0 "$@" sleep "$time" keyup --delay 0 "$@"
}

tap_key() {
  hold_key "$1" 0.08
}

# Types the characters of $1 one by one, each a short tap.
type_text() {
  local i
  for (( i = 0; i < ${#1}; i++ )); do
    tap_key "${1:i:1}"
    sleep 0.05
  done
}

# ---- Short runs ---------------------------------------------------------------------

# How long the screen may take to answer an input in the waits below (play.sh
# sets its own); a busy machine draws few frames a second, and the waits end as
# soon as the screen answers.
SCREEN_WAIT=${SCREEN_WAIT:-30}

# Moves the pointer onto the menu item at a point of the 640 x 480 menu screen
# (y from the top) and waits for its glow: the screen under the pointer changed
# from the shot just before the move (so the pointer comes from off the item, or
# from where a click hid the glow). SHOT shows the glow.
hover() {
  local before
  before=$(shot hover_from)
  pointer_to_menu "$1" "$2"
  shot_await hover "$SCREEN_WAIT" change "$before" 0.5 $(( $1 - 8 )) $(( $2 - 8 )) $(( $1 + 8 )) $(( $2 + 8 )) ||
    fail "no glow under the pointer at $1 $2 (difference $AWAITED)"
}

# Waits for the screen's answer to an input ($1 says which): a change from the
# shot $2 taken just before it, then the screen at rest, or what the test of
# shot.py's `await` in $3... shows (an animated floor never rests: for a match
# there, "rest" with the panel's region). SHOT shows it.
await_answer() {
  local what=$1 before=$2
  shift 2
  shot_await answer "$SCREEN_WAIT" change "$before" 0.01 || fail "the screen did not change after $what"
  shot_await answer "$SCREEN_WAIT" "${@:-rest}" || fail "the screen after $what never showed ${*:-rest} ($AWAITED)"
}

# Clicks the menu item at a point of the 640 x 480 menu screen (y from the top)
# as a player does, once its glow shows, and waits for the screen's answer
# (await_answer, with the test given after the point, if any). SHOT is left
# showing the screen just before the click.
menu_click() {
  hover "$1" "$2"
  local glowing=$SHOT at="$1 $2"
  shift 2
  click
  await_answer "the click at $at" "$glowing" "$@"
  SHOT=$glowing
}

# Taps key $1 and waits for the screen's answer, as menu_click does (the test
# given after the key, if any). SHOT shows the answer.
tap_awaited() {
  local before key=$1
  shift
  before=$(shot key_from)
  tap_key "$key"
  await_answer "the key $key" "$before" "$@"
}

# Escape during the intro: the main menu at once, awaited at rest.
skip_intro() {
  focus_game
  tap_key Escape
  shot_await menu "$SCREEN_WAIT" menu || fail "no main menu at rest after Escape in the intro ($AWAITED)"
}

# From the main menu: exit, then yes; waits for the game to end (EXIT_STATUS).
quit_through_menu() {
  menu_click 320 334
  hover 257 304
  click
  wait_exit 30 || fail "the game did not end after yes"
}
