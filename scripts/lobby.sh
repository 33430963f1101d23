#!/usr/bin/env bash
# The meeting place where friends find each other by a room code: mosquitto on ADDRESS:1883 and coturn's STUN and TURN on ADDRESS:3478 (UDP), until stopped.
#
#   scripts/lobby.sh ADDRESS        0.0.0.0 for every address of this machine
#
# Both daemons run from a temporary folder holding the configurations of dist/lobby/, a password made
# for this start for the lobby's own MQTT user and relay credentials made for this start. Once both
# answer, the lobby writes the retained tarvo/server message (where STUN and TURN are, "*" for the
# address the game reached the broker at when ADDRESS is 0.0.0.0, and the relay's credentials) and says
# on standard output where it is; the daemons' logs go to standard error. It runs until Ctrl+C or
# SIGTERM (status 0) or until either daemon ends (status 1), and leaves nothing behind: both daemons
# stopped, the folder gone, nothing written anywhere else.
set -euo pipefail
# mosquitto and ss live in /usr/sbin, which a user's PATH may lack.
export PATH="$PATH:/usr/sbin:/sbin"
shipped=$(cd "$(dirname "$0")/../dist/lobby" && pwd)
MQTT_PORT=1883 STUN_PORT=3478

say() { echo "lobby.sh: $*" >&2; }
die() { say "$*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: $0 ADDRESS (an IPv4 address of this machine, 0.0.0.0 for all)" >&2; exit 2; }
address=$1
[[ $address =~ ^[0-9]{1,3}(\.[0-9]{1,3}){3}$ ]] || die "not an IPv4 address: $address"
if [ "$address" = 0.0.0.0 ]; then server_host='*' reach=127.0.0.1; else server_host=$address reach=$address; fi

for need in mosquitto:mosquitto mosquitto_passwd:mosquitto mosquitto_pub:mosquitto-clients \
  mosquitto_sub:mosquitto-clients turnserver:coturn turnutils_stunclient:coturn ss:iproute2; do
  command -v "${need%%:*}" >/dev/null ||
    die "no ${need%%:*} here: Debian's ${need#*:} is missing (bash scripts/setup.sh lobby installs it)"
done

# A port already taken here: another lobby, or the system's own mosquitto or coturn service (Debian's
# packages may start one when installed). coturn would share its UDP port with another without a word
# (it binds with SO_REUSEPORT), so this is looked at before either daemon starts.
holder() {
  ss -Hlnp "--$1" "sport = :$2" | awk -v want="$address" '{
    host = $4; sub(/:[0-9]+$/, "", host); sub(/%.*/, "", host)
    if (want == "0.0.0.0" || host == want || host == "0.0.0.0" || host == "*" || host == "[::]") { print; exit }
  }'
}
for port in "tcp $MQTT_PORT MQTT" "udp $STUN_PORT STUN"; do
  read -r protocol number what <<<"$port"
  taken=$(holder "$protocol" "$number")
  [ -z "$taken" ] && continue
  by=$(sed -n 's/.*users:(("\([^"]*\)",pid=\([0-9]*\).*/ by \1 (pid \2)/p' <<<"$taken")
  die "the $what port $number/$protocol on $address is taken$by: stop what holds it first (another" \
    "lobby, or the system's own mosquitto or coturn service: 'service mosquitto stop')"
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-lobby.XXXXXX")
broker='' turn=''

# Both daemons asked to end, and ended for good after 5 s; the folder removed.
stop() {
  local pid tries
  trap '' INT TERM
  for pid in $broker $turn; do kill "$pid" 2>/dev/null || true; done
  for pid in $broker $turn; do
    for (( tries = 0; tries < 50; tries++ )); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
}
trap stop EXIT
trap 'exit 0' INT TERM

secret() { od -An -tx1 -N"$1" /dev/urandom | tr -d ' \n'; }
lobby_password=$(secret 16)
relay_user=tarvo-$(secret 4)
relay_password=$(secret 16)

# Started as root, mosquitto becomes the mosquitto user (nobody on a system without one) before it
# reads its password and ACL files, and coturn becomes turnserver once it has opened its files.
mosquitto_user=mosquitto
id "$mosquitto_user" >/dev/null 2>&1 || mosquitto_user=nobody
turn_options=(-c "$dir/turnserver.conf" --pidfile="$dir/turnserver.pid" --userdb="$dir/turndb"
  --user="$relay_user:$relay_password")
[ "$address" = 0.0.0.0 ] || turn_options+=(--listening-ip="$address" --relay-ip="$address")
if [ "$(id -u)" = 0 ] && id turnserver >/dev/null 2>&1; then
  turn_options+=(--proc-user=turnserver --proc-group="$(id -gn turnserver)")
fi

cp "$shipped/mosquitto.acl" "$shipped/turnserver.conf" "$dir/"
mosquitto_passwd -b -c "$dir/mosquitto.passwd" lobby "$lobby_password" >&2 || die "mosquitto_passwd failed"
{
  echo "listener $MQTT_PORT $address"
  cat "$shipped/mosquitto.conf"
  echo "user $mosquitto_user"
  echo "password_file $dir/mosquitto.passwd"
  echo "acl_file $dir/mosquitto.acl"
} >"$dir/mosquitto.conf"
if [ "$(id -u)" = 0 ]; then
  chgrp "$(id -gn "$mosquitto_user")" "$dir" "$dir/mosquitto.passwd" "$dir/mosquitto.acl"
  chmod 750 "$dir"
  chmod 640 "$dir/mosquitto.passwd" "$dir/mosquitto.acl"
fi

mosquitto -c "$dir/mosquitto.conf" >&2 &
broker=$!
turnserver "${turn_options[@]}" >&2 &
turn=$!

# Waits until command $2... succeeds, for at most 10 s, while daemon $1 runs.
await() {
  local daemon=$1 tries
  shift
  for (( tries = 0; tries < 100; tries++ )); do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$daemon" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
await "$turn" timeout 1 turnutils_stunclient -p "$STUN_PORT" "$reach" ||
  die "coturn did not answer STUN on $reach:$STUN_PORT"
server_message="stun $server_host:$STUN_PORT
relay $relay_user $relay_password"
await "$broker" mosquitto_pub -h "$reach" -p "$MQTT_PORT" -u lobby -P "$lobby_password" -r -q 1 \
  -t tarvo/server -m "$server_message" || die "mosquitto did not take the lobby's message on $reach:$MQTT_PORT"
# Read back as any player reads it: the ACL let the lobby write it.
[ "$(mosquitto_sub -h "$reach" -p "$MQTT_PORT" -t tarvo/server -C 1 -W 5 2>/dev/null)" = "$server_message" ] ||
  die "tarvo/server does not hold the lobby's message"

if [ "$address" = 0.0.0.0 ]; then where="every address of this machine"; else where=$address; fi
echo "Lobby up on $where: rooms on MQTT port $MQTT_PORT (TCP), STUN and TURN on port $STUN_PORT (UDP)"

status=0
wait -n "$broker" "$turn" || status=$?
if kill -0 "$broker" 2>/dev/null; then ended=coturn; else ended=mosquitto; fi
die "$ended ended (status $status): the lobby stops"
