#!/usr/bin/env bash
# Runs a command on a virtual X server of its own: Xvfb picks a free display itself
# (-displayfd), so any number of these can start at once without racing for one.
set -u
fdfile=$(mktemp /tmp/tarvo-display.XXXXXX)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
server=$!
for _ in $(seq 1 100); do
  [ -s "$fdfile" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
number=$(head -n 1 "$fdfile")
rm -f "$fdfile"
if [ -z "$number" ]; then
  echo "virtual X server did not start" >&2
  kill "$server" 2>/dev/null
  exit 1
fi
DISPLAY=":$number" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
