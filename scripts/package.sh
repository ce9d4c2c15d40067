#!/usr/bin/env bash
# Builds the Debian packages of Lumaplex (optimised, installed below /usr) and prints their paths: lumaplex
# (the window, the simulator, the command-line tool) and lumaplex-gateway (the service), with Qt 6 into
# build-package/, with Qt 5 into build-package-qt5/. Their dependencies name the Qt libraries they were built
# with. Install with: sudo apt-get install ./build-package/lumaplex_*.deb ./build-package/lumaplex-gateway_*.deb
#
# Usage: scripts/package.sh [6|5]   (the major version of Qt, default 6)
set -euo pipefail
cd "$(dirname "$0")/.."
qt=${1:-6}
case "$qt" in
  6) dir=build-package ;;
  5) dir=build-package-qt5 ;;
  *) echo "usage: $0 [6|5]" >&2; exit 2 ;;
esac
scripts/deps.sh package "$qt"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DLUMAPLEX_BUILD_TESTS=OFF \
  -DLUMAPLEX_QT_MAJOR="$qt" >/dev/null
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$PWD/$dir"/lumaplex_*.deb "$PWD/$dir"/lumaplex-gateway_*.deb
