# Shared helpers for the scripts that run the real game under the virtual X server.
# Usage: source this file with GAME (the binary) and BUILD_DIR (where data/ lives) set.

# Game windows carry no process id, so a window of another test running at the
# same time could be taken for ours (or cover ours and take its clicks). Each
# script therefore runs on a virtual display of its own: call this first, with
# the script's path and arguments; it starts the script again under its own
# X server, and returns at once when that is already done.
own_display() {
  if [ -z "${TARVO_OWN_DISPLAY:-}" ]; then
    TARVO_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$@"
  fi
}

# Removes the game and its working directory when the script ends.
trap 'stop_game; [ -n "${WORKDIR:-}" ] && rm -rf "$WORKDIR"' EXIT

# A fresh working directory with the game's data beside it and no settings file.
make_workdir() {
  WORKDIR=$(mktemp -d /tmp/tarvo-e2e.XXXXXX)
  if [ -d "$BUILD_DIR/data" ]; then ln -s "$BUILD_DIR/data" "$WORKDIR/data"; fi
}

# Starts the game in $WORKDIR; its standard error goes to $WORKDIR/stderr.
start_game() {
  (cd "$WORKDIR" && exec "$GAME" 2>"$WORKDIR/stderr" >"$WORKDIR/stdout") &
  GAME_PID=$!
}

# Waits until the game's window is mapped; sets WINDOW. Fails after 20 s.
wait_window() {
  local i
  for i in $(seq 1 200); do
    WINDOW=$(xdotool search --onlyvisible --name '^Tarvo Rink$' 2>/dev/null | head -n 1)
    [ -n "$WINDOW" ] && return 0
    kill -0 "$GAME_PID" 2>/dev/null || { echo "game exited before its window showed"; return 1; }
    sleep 0.1
  done
  echo "no game window after 20 s"
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

fail() {
  echo "FAIL: $*"
  stop_game
  exit 1
}

# ---- Witnesses ----------------------------------------------------------------

# Saves a PNG of the game window to $1.
screenshot() {
  xwd -silent -id "$WINDOW" | convert xwd:- "$1"
}

# Prints "R G B" (0-255) of the pixel at window coordinates (x, y), y from the top.
pixel_at() {
  convert "$1" -crop "1x1+$2+$3" -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]\n' info:
}

# Mean brightness (0-255) of a region WxH+X+Y of a screenshot.
region_brightness() {
  convert "$1" -crop "$2" -colorspace Gray -format '%[fx:int(255*mean)]' info:
}

# Start the game with SDL's disk audio driver writing every mixed sample to
# $WORKDIR/audio.raw (22050 Hz, 16-bit, stereo).
use_disk_audio() {
  export SDL_AUDIODRIVER=disk
  export SDL_DISKAUDIOFILE="$WORKDIR/audio.raw"
  export SDL_DISKAUDIODELAY=10
}

# Byte length of the captured audio so far: a mark to measure sound from.
audio_mark() {
  stat -c %s "$WORKDIR/audio.raw" 2>/dev/null || echo 0
}

# Peak sample magnitude (0-32767) in the captured audio from byte $1 to byte $2 (or the end).
audio_peak() {
  python3 - "$WORKDIR/audio.raw" "$1" "${2:-}" <<'PY'
import sys, array
path, start, end = sys.argv[1], int(sys.argv[2]), sys.argv[3]
data = open(path, 'rb').read()
end = int(end) if end else len(data)
start -= start % 4
end -= end % 4
samples = array.array('h', data[start:end])
print(max((abs(s) for s in samples), default=0))
PY
}

# ---- Input, as a player gives it ------------------------------------------------

# Moves the pointer to window coordinates scaled from the 640 x 480 menu screen:
# virtual x and y (y from the top), at the window's real size.
pointer_to_menu() {
  local w h
  read -r _ _ w h < <(window_geometry)
  xdotool mousemove --window "$WINDOW" "$(( $1 * w / 640 ))" "$(( $2 * h / 480 ))"
}

click() {
  xdotool click 1
}

# Keys go to the focused window as real (XTEST) events, as a keyboard sends them.
focus_game() {
  xdotool windowfocus --sync "$WINDOW" 2>/dev/null || xdotool windowfocus "$WINDOW"
}

# Holds a key (xdotool key name) for $2 seconds.
hold_key() {
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}

tap_key() {
  hold_key "$1" 0.08
}
