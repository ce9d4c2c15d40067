#!/usr/bin/env bash
# Checks the include layers, builds everything (tests and benchmarks included) with Qt 6, AddressSanitizer,
# UndefinedBehaviorSanitizer and warnings as errors into build-tests/, compiles the programs with Qt 5.15 into
# build-qt5/ (no tests there: Qt 5 stays buildable), and runs the whole suite once.
#
# Usage: scripts/test.sh [--quick] [CTEST-ARGUMENTS...]
#   --quick  builds and runs only the unit and protocol tests (fuzz corpora included) in build-tests/, for
#            the edit-compile-test loop; no Qt 5 build.
# The tests labelled "timing" (their checks bound how soon something happens) run one at a time after the
# others, which run several at once: most of them wait on devices, not on the processor. Arguments are
# passed on to both ctest runs (e.g. -R tst_cli). The script fails when any step failed.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
if [ "${1:-}" = "--quick" ]; then
  quick=true
  shift
fi
ctest_arguments=("$@")

scripts/deps.sh test
scripts/check-architecture.sh

# configure DIR CMAKE-OPTIONS...: a Ninja build in DIR; a folder configured by another generator (an older
# build-tests/ was a Makefile build) is made anew.
configure() {
  local dir=$1
  shift
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    echo "$dir was configured with another generator: building it anew"
    rm -rf "$dir"
  fi
  cmake -G Ninja -S . -B "$dir" "$@" >/dev/null
}

# The sanitizers' suggested -O1 with line tables only, enough for their reports; the tests' own sources are
# compiled at -O0 (tests/CMakeLists.txt). Each file is compiled on its own, so every file's includes are
# checked.
configure build-tests -DLUMAPLEX_QT_MAJOR=6 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON \
  -DLUMAPLEX_WERROR=ON -DLUMAPLEX_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
if $quick; then
  cmake --build build-tests -j "$(nproc)" --target lumaplex_quick_tests
  labels=(-L '^(unit|fuzz)$')
else
  cmake --build build-tests -j "$(nproc)"
  # Qt 5: the programs only, unoptimised and a few sources at a time as one unit, which costs a fraction
  # of a file-by-file build (the Qt 6 build above checks each file's includes).
  echo "== Qt 5.15: the programs (build-qt5/)"
  configure build-qt5 -DLUMAPLEX_QT_MAJOR=5 -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
    -DLUMAPLEX_WERROR=ON -DCMAKE_UNITY_BUILD=ON
  cmake --build build-qt5 -j "$(nproc)"
  labels=()
fi

status=0
cd build-tests
common=(--output-on-failure --timeout 300 --no-tests=ignore "${labels[@]}" "${ctest_arguments[@]}")
echo "== The tests that run side by side"
ctest "${common[@]}" -LE timing -j "$((2 * $(nproc)))" || status=1
if ! $quick; then
  echo "== The timing tests, one at a time"
  ctest "${common[@]}" -L timing || status=1
fi
exit "$status"
