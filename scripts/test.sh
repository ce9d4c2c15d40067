#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors, into
# build-tests/ (apart from the optimised build of scripts/run.sh), checks the include layers and runs the
# whole suite. Arguments are passed on to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/check-architecture.sh
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON -DLUMAPLEX_SANITIZE=ON \
  -DLUMAPLEX_WERROR=ON >/dev/null
cmake --build build-tests -j "$(nproc)"
cd build-tests
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
