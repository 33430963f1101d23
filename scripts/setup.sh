#!/usr/bin/env bash
# Installs the Debian packages the game needs (play), its package build needs (deb), its tests need (test), its benchmarks need (bench) or the lobby needs (lobby).
set -euo pipefail

play_packages="cmake make g++ pkg-config libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libfreetype-dev libjpeg-dev libpng-dev libenet-dev libminiupnpc-dev libnatpmp-dev libmosquitto-dev libssl-dev fonts-dejavu-core"
# The package build: debhelper and the Debian build tools, besides what the game needs.
deb_packages="$play_packages debhelper dpkg-dev"
# The package test checks the package as Debian's tools do and runs it at its real paths in a
# private mount namespace: lintian, the desktop entry, AppStream and manual page checkers, bubblewrap.
# The LAN tests make their network with iproute2's `ip netns`; the router test's router is miniupnpd
# with its iptables backend (without its recommended service package: no daemon of the machine's own).
# The sanitizer build's tests run on sdl12-compat (SDL 1.2's interface over SDL2), installed beside SDL 1.2.
# The lobby's test runs the lobby itself between two homes' routers.
test_packages="$deb_packages xvfb xauth xdotool x11-apps imagemagick python3 googletest libgtest-dev
  clang libclang-rt-14-dev valgrind lintian desktop-file-utils appstream bubblewrap man-db groff-base iproute2
  miniupnpd-iptables iptables libsdl1.2-compat mosquitto coturn mosquitto-clients"
# The benchmarks: Google Benchmark, and XTEST for the probe that presses keys in the real game.
bench_packages="$test_packages libbenchmark-dev libxtst-dev"
# The lobby (scripts/lobby.sh): the MQTT broker and its clients, and coturn for STUN and TURN; ss finds a
# port already taken. On a machine booted with systemd, installing mosquitto may start the system's own
# broker: lobby.sh then says its port is taken rather than share it.
lobby_packages="mosquitto mosquitto-clients coturn iproute2"

case "${1:-play}" in
  play) wanted=$play_packages ;;
  deb) wanted=$deb_packages ;;
  test) wanted=$test_packages ;;
  bench) wanted=$bench_packages ;;
  lobby) wanted=$lobby_packages ;;
  *) echo "usage: $0 play|deb|test|bench|lobby" >&2; exit 2 ;;
esac

missing=()
for package in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing Debian packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "Installed: ${missing[*]}"
