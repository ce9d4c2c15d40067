#!/usr/bin/env bash
# Runs one fuzz target (or all of them, one after the other) with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, built with clang into build-fuzz/. New inputs go to a scratch corpus; a
# finding is written as crash-*/leak-* in the current directory and belongs into tests/fuzz/corpus/<name>/
# once mended.
#
# Usage: tests/fuzz/run.sh [NAME|all] [SECONDS]      e.g. tests/fuzz/run.sh replyparser 600
set -euo pipefail
cd "$(dirname "$0")/../.."
target=${1:-all}
seconds=${2:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON \
  -DLUMAPLEX_SANITIZE=ON -DLUMAPLEX_FUZZ=ON >/dev/null
names=()
if [ "$target" = all ]; then
  for source in tests/fuzz/fuzz_*.cpp; do names+=("$(basename "$source" .cpp | sed 's/^fuzz_//')"); done
else
  names=("$target")
fi
for name in "${names[@]}"; do
  cmake --build build-fuzz -j "$(nproc)" --target "fuzz_$name"
  scratch=build-fuzz/corpus/$name
  mkdir -p "$scratch"
  echo "== $name: $seconds s"
  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=tests/sanitizer/lsan.supp QT_QPA_PLATFORM=offscreen \
    "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
    "$scratch" "tests/fuzz/corpus/$name"
done
