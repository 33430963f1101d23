#!/usr/bin/env bash
# Runs a command on a virtual X server of its own, so tests that start at the same
# time never share a display or take one another's windows.
#
# Servers are started one at a time (under a lock) on a display number that is
# free: a server told its number checks that number's lock before it opens any
# socket, so it can never disturb a server already running there (one left to
# pick its own number would open sockets first and could unlink a live server's).
#
# A server that resets when its last client leaves hangs up on every connection
# it has accepted but not yet set up; a client starting just then (the game right
# after the readiness check below, or while a script polls for its window) would
# fail to open the display. So the servers never reset (-noreset).
set -u

lock=/tmp/tarvo-headless.lock
exec 9>"$lock"
flock 9

SERVER=
NUMBER=
for candidate in $(seq 10 200); do
  [ -e "/tmp/.X$candidate-lock" ] && continue
  [ -e "/tmp/.X11-unix/X$candidate" ] && continue
  Xvfb ":$candidate" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 9>&- &
  SERVER=$!
  for _ in $(seq 1 200); do
    if DISPLAY=":$candidate" xdotool getdisplaygeometry >/dev/null 2>&1; then
      NUMBER=$candidate
      break
    fi
    kill -0 "$SERVER" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$NUMBER" ] && break
  kill "$SERVER" 2>/dev/null
  wait "$SERVER" 2>/dev/null
  SERVER=
done
flock -u 9
exec 9>&-

if [ -z "$NUMBER" ]; then
  echo "virtual X server did not start" >&2
  exit 1
fi
DISPLAY=":$NUMBER" "$@"
status=$?
kill "$SERVER" 2>/dev/null
wait "$SERVER" 2>/dev/null
exit $status
