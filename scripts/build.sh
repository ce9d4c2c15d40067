#!/usr/bin/env bash
# Configures and builds Lumaplex, its command-line tool and its device simulator (optimised, with Qt 6) into
# build/: only the programs and what they need. The tests have a build of their own (scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMAPLEX_QT_MAJOR=6 -DLUMAPLEX_BUILD_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target lumaplex lumaplex-sim lumaplex-seedconfig lumaplex-cli
