#!/usr/bin/env bash
# Builds the Debian package of Lumaplex (optimised, installed below /usr) into build-package/ and prints its
# path. Install it with: sudo apt-get install ./build-package/lumaplex_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DLUMAPLEX_BUILD_TESTS=OFF \
  >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/lumaplex_*.deb
