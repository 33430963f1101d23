#!/usr/bin/env bash
# Runs a command on a virtual X server of its own: Xvfb picks a free display itself
# (-displayfd), so any number of these can start at once without racing for one.
set -u

# Starts a server and sets SERVER and NUMBER; fails if it does not come up usable.
start_server() {
  local fdfile
  fdfile=$(mktemp /tmp/tarvo-display.XXXXXX)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  SERVER=$!
  NUMBER=
  for _ in $(seq 1 400); do
    [ -s "$fdfile" ] && break
    kill -0 "$SERVER" 2>/dev/null || break
    sleep 0.05
  done
  NUMBER=$(head -n 1 "$fdfile")
  rm -f "$fdfile"
  # The server names its display once it listens; make sure a client gets in.
  if [ -n "$NUMBER" ] && DISPLAY=":$NUMBER" xdotool getdisplaygeometry >/dev/null 2>&1; then
    return 0
  fi
  kill "$SERVER" 2>/dev/null
  wait "$SERVER" 2>/dev/null
  return 1
}

started=
for _ in 1 2 3; do
  if start_server; then started=1; break; fi
  sleep 1
done
if [ -z "$started" ]; then
  echo "virtual X server did not start" >&2
  exit 1
fi
DISPLAY=":$NUMBER" "$@"
status=$?
kill "$SERVER" 2>/dev/null
wait "$SERVER" 2>/dev/null
exit $status
