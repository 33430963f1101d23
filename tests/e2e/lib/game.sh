# Shared helpers for the scripts that run the real game under the virtual X server.
# Usage: source this file with GAME (the binary) and BUILD_DIR (where data/ lives) set.

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
