#!/usr/bin/env bash
# Installs the Debian packages that building and running Lumaplex need ("run", the default), that building
# and running its tests need as well ("test"), or that building its Debian package needs ("package"), when
# they are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(cmake make g++ qtbase5-dev libqt5serialport5-dev)
case "${1:-run}" in
  # A font with Chinese characters: the login dialog always names the second language in its own script.
  run) packages+=(fonts-wqy-microhei) ;;
  # python3 draws the sampled faults of tests/faults/run.sh --sample.
  test) packages+=(iproute2 util-linux python3) ;;
  package) packages+=(dpkg-dev file) ;;
esac
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
