#!/usr/bin/env bash
# Checks the include layers, then builds the tests twice from the same sources (apart from the optimised
# build of scripts/run.sh) and runs the whole suite on each build:
#   build-tests/       Qt 5 with AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors;
#   build-tests-qt6/   Qt 6, warnings as errors (Qt 6's own deprecation warnings among them).
# Arguments are passed on to both ctest runs. The second suite runs even when the first fails; the script
# fails when either did.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/check-architecture.sh

# suite DIR CMAKE-OPTIONS...: configures, builds and runs the suite in DIR.
suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON -DLUMAPLEX_WERROR=ON "$@" \
    >/dev/null &&
    cmake --build "$dir" -j "$(nproc)" &&
    (cd "$dir" && ctest --output-on-failure --timeout 300 -j "$(nproc)" "${ctest_arguments[@]}")
}

ctest_arguments=("$@")
status=0
# The sanitizers' suggested -O1, with line tables only (enough for their reports), and -O1 without debug
# information for the Qt 6 build: both build faster than at -O2 -g. The Qt 6 build also compiles each
# library's sources a few at a time as one unit, which spares most of the parsing of Qt's headers; so the
# file-local names of one library's sources must differ. The Qt 5 build compiles each file on its own, which
# keeps every file's includes checked.
echo "== Qt 5, AddressSanitizer and UndefinedBehaviorSanitizer (build-tests/)"
suite build-tests -DLUMAPLEX_QT_MAJOR=5 -DLUMAPLEX_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" ||
  status=1
echo "== Qt 6 (build-tests-qt6/)"
suite build-tests-qt6 -DLUMAPLEX_QT_MAJOR=6 -DLUMAPLEX_SANITIZE=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
  -DCMAKE_UNITY_BUILD=ON ||
  status=1
exit "$status"
