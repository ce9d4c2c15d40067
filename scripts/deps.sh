#!/usr/bin/env bash
# Installs the Debian packages that building and running Lumaplex need ("run", the default), that building
# and running its tests need as well ("test"), or that building its Debian package needs ("package"), when
# they are missing. Uses sudo when not run as root.
#
# Usage: scripts/deps.sh [run|test|package] [6|5]
#   The second argument picks the Qt that "run" and "package" build with (default 6); "test" builds with
#   both and installs both.
set -euo pipefail

mode=${1:-run}
qt=${2:-6}
qt5=(qtbase5-dev libqt5serialport5-dev libqt5websockets5-dev)
# qt6-base-dev-tools holds moc; Qt 6's CMake files ask for OpenGL (libgl-dev) even for widgets alone.
qt6=(qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-websockets-dev libgl-dev)
# libfontconfig-dev: start-up warms up the fonts' configuration itself.
# libboost-dev: the gateway parses HTTP with Boost.Beast (header-only).
packages=(cmake make g++ libfontconfig-dev libboost-dev)
case "$qt" in
  5) packages+=("${qt5[@]}") ;;
  6) packages+=("${qt6[@]}") ;;
  *) echo "usage: $0 [run|test|package] [6|5]" >&2; exit 2 ;;
esac
case "$mode" in
  # A font with Chinese characters: the login dialog always names the second language in its own script.
  run) packages+=(fonts-wqy-microhei) ;;
  # The test builds use Ninja; python3 runs tests/faults/run.sh, whose builds share ccache's objects;
  # prometheus brings promtool, which checks the gateway's metrics and alert rules (its server is not used).
  # systemd-analyze (systemd), groff and man (groff-base, man-db) check the gateway's unit and manual pages.
  test) packages+=(ninja-build iproute2 util-linux python3 ccache prometheus systemd groff-base man-db "${qt5[@]}"
          "${qt6[@]}") ;;
  package) packages+=(dpkg-dev file) ;;
  *) echo "usage: $0 [run|test|package] [6|5]" >&2; exit 2 ;;
esac
# The tests check the gateway's OpenAPI description with swagger-cli, a standard validator from npm (npm
# itself from Debian when this machine has none).
if [ "$mode" = test ] && ! command -v npm >/dev/null; then
  packages+=(npm)
fi
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ "$mode" = test ] && ! command -v swagger-cli >/dev/null; then
  echo "Installing swagger-cli from npm"
  "${as_root[@]}" npm install --global --no-audit --no-fund --loglevel=error @apidevtools/swagger-cli@4.0.4
fi
