#!/usr/bin/env bash
# Shows whether the test suite catches realistic faults: applies each fault of faults.txt on its own to a
# copy-free working tree (the file is restored right after), rebuilds, runs the suite and prints killed
# (some test failed) or survived (all passed). A fault whose text is not found exactly once is "n/a"; one
# that does not compile is "no-build" (not a realistic fault).
#
# Usage: tests/faults/run.sh [BUILD_DIR]      (default build-faults; FAULTS="3 7" runs only those)
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${1:-build-faults}
list=tests/faults/faults.txt
jobs=$(nproc)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON >/dev/null || exit 1
fi
cmake --build "$build" -j "$jobs" >/dev/null || { echo "the unchanged tree does not build"; exit 1; }

results=()
killed=0
survived=0
number=0
while IFS= read -r entry; do
  case "$entry" in '' | '#'*) continue ;; esac
  number=$((number + 1))
  if [ -n "${FAULTS:-}" ] && [[ " $FAULTS " != *" $number "* ]]; then
    continue
  fi
  area=$(awk -F' @@ ' '{print $1}' <<<"$entry")
  name=$(awk -F' @@ ' '{print $2}' <<<"$entry")
  what=$(awk -F' @@ ' '{print $5}' <<<"$entry")
  file=$(git ls-files | grep -E "(^|/)$name\$" | head -n 1)
  verdict="n/a"
  if [ -n "$file" ]; then
    backup=$(mktemp)
    cp "$file" "$backup"
    # Replace the text if it occurs exactly once (perl reads the whole file; \n in the pattern is a line
    # break, everything else is literal).
    FAULT_ENTRY="$entry" perl -0777 -i -e '
      my @f = split / @@ /, $ENV{FAULT_ENTRY};
      my ($from, $to) = ($f[2], $f[3]);
      s/<NL>/\n/g for ($from, $to);
      local $/; my $text = <>;
      my $count = () = $text =~ /\Q$from\E/g;
      if ($count == 1) { $text =~ s/\Q$from\E/$to/; } else { $text .= "" ; print STDERR "count=$count\n"; }
      print $text;' "$file" 2>"$backup.err"
    if grep -q count= "$backup.err"; then
      verdict="n/a"
    elif ! cmake --build "$build" -j "$jobs" >"$backup.log" 2>&1; then
      verdict="no-build"
    elif (cd "$build" && ctest -j "$jobs" --timeout 300 --stop-on-failure >"$backup.log" 2>&1); then
      verdict="survived"
      survived=$((survived + 1))
    else
      verdict="killed ($(grep -m1 -o -E '[0-9]+ - [a-z_0-9]+' "$backup.log" | sed 's/^[0-9]* - //'))"
      killed=$((killed + 1))
    fi
    cp "$backup" "$file"
    rm -f "$backup" "$backup.err" "$backup.log"
  fi
  results+=("$(printf '%2d  %-8s %-22s %-40s %s' "$number" "$area" "$name" "$verdict" "$what")")
  echo "${results[-1]}"
done <"$list"

# Leave the build as the tree is.
cmake --build "$build" -j "$jobs" >/dev/null 2>&1
echo
echo "killed $killed, survived $survived (of ${#results[@]} faults listed)"
cd "$root"
