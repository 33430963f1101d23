#!/usr/bin/env bash
# Key-to-pixels response of the real game: a two-player match on tennis, bat 1 moved by its keys and timed on screen.
#
# Usage: bench/key_response.sh [options] GAME BUILD_DIR        (needs an X display: run it under scripts/headless.sh)
#        bench/key_response.sh [options] --window ID           (measures a game window already in a match)
#   --keys a,z            keys pressed in turn, one a press (player 1's up, then down: the bat stays in the field)
#   --region "X0 Y0 X1 Y1" the region watched, in 640 x 480 screen units, y from the top
#   --presses N --hold MS --gap MS --level L --pixels P --interval US   passed to the probe
#   --probe PATH          the probe (default BUILD_DIR/bench/tarvo-key-probe, or beside GAME's build)
# Prints the probe's lines: the quiet region, one line a press, and the summary
# "presses=N misses=M median_ms=... p90_ms=... max_ms=... min_ms=...".
#
# Sourced instead of run, it only defines the functions below (start_key_match,
# measure_keys), for a script that sets up other windows, on other displays, to measure,
# and leaves that script's shell options as they were.

# Bat 1 where a rally starts spans "84 215 98 268"; a press held 100 ms moves it
# about 25 units at the normal pace, so the region reaches 35 units further up
# and down and covers the bat before and after every press.
KEY_REGION_DEFAULT="84 180 98 303"
KEY_KEYS_DEFAULT="a,z"

# Starts GAME ($1) in a fresh working folder holding BUILD_DIR's ($2) data and a
# 640 x 480 window-mode tarvo.ini with music and effects off, skips the intro
# and starts a two-player match on tennis. Sets KEY_GAME_PID, KEY_WORKDIR and
# KEY_WINDOW; stop_key_match ends it. Any arguments after the second go to the game.
start_key_match() {
  local game build
  game=$(realpath "$1")
  build=$(realpath "$2")
  shift 2
  [ -d "$build/data/pictures" ] || { echo "key_response: no pictures in $build/data" >&2; return 1; }
  KEY_WORKDIR=$(mktemp -d /tmp/tarvo-key-response.XXXXXX)
  ln -s "$build/data" "$KEY_WORKDIR/data"
  printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\n' >"$KEY_WORKDIR/tarvo.ini"
  (cd "$KEY_WORKDIR" && SDL_AUDIODRIVER=dummy exec "$game" "$@" >"$KEY_WORKDIR/stdout" 2>"$KEY_WORKDIR/stderr") &
  KEY_GAME_PID=$!

  KEY_WINDOW=
  for _ in $(seq 1 300); do
    KEY_WINDOW=$(xdotool search --onlyvisible --name '^Tarvo Rink$' 2>/dev/null | head -n 1 || true)
    [ -n "$KEY_WINDOW" ] && break
    kill -0 "$KEY_GAME_PID" 2>/dev/null ||
      { echo "key_response: the game exited before its window showed: $(cat "$KEY_WORKDIR/stderr")" >&2; return 1; }
    sleep 0.1
  done
  [ -n "$KEY_WINDOW" ] || { echo "key_response: no game window after 30 s" >&2; return 1; }

  xdotool windowfocus --sync "$KEY_WINDOW" 2>/dev/null || xdotool windowfocus "$KEY_WINDOW"
  sleep 0.3
  xdotool key Escape  # the menu at once, no intro
  sleep 0.6
  key_menu_click "$KEY_WINDOW" 320 234  # two players
  key_menu_click "$KEY_WINDOW" 320 184  # this computer
  key_menu_click "$KEY_WINDOW" 249 227  # tennis
  # The match screen, its bats at rest; the probe waits for the region to stand still.
  sleep 1
}

stop_key_match() {
  if [ -n "${KEY_GAME_PID:-}" ] && kill -0 "$KEY_GAME_PID" 2>/dev/null; then
    kill "$KEY_GAME_PID" 2>/dev/null || true
    wait "$KEY_GAME_PID" 2>/dev/null || true
  fi
  KEY_GAME_PID=
  if [ -n "${KEY_WORKDIR:-}" ]; then rm -rf "$KEY_WORKDIR"; fi
  KEY_WORKDIR=
}

# Clicks window $1 at a point ($2, $3) of the 640 x 480 menu screen, as a player
# who moves the pointer there and lets it rest a moment first.
key_menu_click() {
  local w h
  read -r w h < <(key_window_size "$1")
  xdotool mousemove --window "$1" $(($2 * w / 640)) $(($3 * h / 480))
  sleep 0.3
  xdotool mousedown 1 sleep 0.06 mouseup 1
  sleep 0.5
}

# Prints "WIDTH HEIGHT" of window $1.
key_window_size() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '$1=="WIDTH"{w=$2} $1=="HEIGHT"{h=$2} END{print w, h}'
}

# Runs PROBE ($1) on window $2 with keys $3 over the region $4 ("X0 Y0 X1 Y1" in
# 640 x 480 units, scaled to the window's size); the rest goes to the probe.
measure_keys() {
  local probe=$1 window=$2 keys=$3 x0 y0 x1 y1 w h
  read -r x0 y0 x1 y1 <<<"$4"
  shift 4
  read -r w h < <(key_window_size "$window")
  local px=$((x0 * w / 640)) py=$((y0 * h / 480))
  local pw=$(((x1 - x0) * w / 640)) ph=$(((y1 - y0) * h / 480))
  "$probe" "$window" "$keys" "$px" "$py" "$pw" "$ph" "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  keys=$KEY_KEYS_DEFAULT
  region=$KEY_REGION_DEFAULT
  window=
  probe=
  probe_options=()
  positional=()
  while [ $# -gt 0 ]; do
    case $1 in
      --keys) keys=$2; shift 2 ;;
      --region) region=$2; shift 2 ;;
      --window) window=$2; shift 2 ;;
      --probe) probe=$2; shift 2 ;;
      --presses | --hold | --gap | --level | --pixels | --interval) probe_options+=("$1" "$2"); shift 2 ;;
      -*) echo "key_response: unknown option $1" >&2; exit 2 ;;
      *) positional+=("$1"); shift ;;
    esac
  done
  [ -n "${DISPLAY:-}" ] || { echo "key_response: needs an X display (run it under scripts/headless.sh)" >&2; exit 1; }

  if [ -z "$window" ]; then
    [ ${#positional[@]} -eq 2 ] || { echo "usage: bench/key_response.sh [options] GAME BUILD_DIR | --window ID" >&2; exit 2; }
    [ -n "$probe" ] || probe=${positional[1]}/bench/tarvo-key-probe
    trap stop_key_match EXIT
    start_key_match "${positional[0]}" "${positional[1]}"
    window=$KEY_WINDOW
  fi
  [ -n "$probe" ] || { echo "key_response: --window needs --probe" >&2; exit 2; }
  [ -x "$probe" ] || { echo "key_response: no probe at $probe (build with -DTARVO_BENCH=ON)" >&2; exit 1; }
  measure_keys "$probe" "$window" "$keys" "$region" "${probe_options[@]}"
  if [ -n "${KEY_GAME_PID:-}" ] && ! kill -0 "$KEY_GAME_PID" 2>/dev/null; then
    echo "key_response: the game ended during the measure: $(cat "$KEY_WORKDIR/stderr")" >&2
    exit 1
  fi
fi
