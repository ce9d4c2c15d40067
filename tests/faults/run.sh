#!/usr/bin/env bash
# Shows whether the test suite catches realistic faults. Each fault is applied on its own to one file of the
# working tree, the tree is rebuilt and the whole suite run: "killed" when a test fails (named, and marked
# "timeout" or "crash" when that is how it failed), "survived" when all pass. A fault whose text is not found
# exactly once is "n/a", one that does not compile "no-build", one listed in equivalent.txt "equivalent" (not
# run). The kill rate is killed / (killed + survived).
#
# Usage: tests/faults/run.sh [BUILD_DIR]                  the hand-written faults of faults.txt
#        tests/faults/run.sh --sample SEED N [BUILD_DIR]  N faults drawn from the code by sample.py
# BUILD_DIR defaults to build-faults (RelWithDebInfo, no sanitizers); FAULTS="3 7" runs only those numbers.
#
# The unchanged tree is built and tested first: a failing suite stops the script, and every test then gets
# at most max(60 s, 3 x the slowest test of that run). The file under fault is copied outside the tree and
# put back after each fault, and on any exit or interrupt (Ctrl-C, TERM).
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1

usage() {
  sed -n 's/^# Usage: /Usage: /p; s/^#        /       /p' "$0" >&2
  exit 2
}

seed=""
count=""
if [ "${1:-}" = "--sample" ]; then
  if [ $# -lt 3 ] || ! [[ $3 =~ ^[1-9][0-9]*$ ]]; then usage; fi
  seed=$2
  count=$3
  shift 3
fi
if [ $# -gt 1 ] || [[ ${1:-} == -* ]]; then usage; fi
build=${1:-build-faults}
jobs=2
work=$(mktemp -d "${TMPDIR:-/tmp}/lumaplex-faults.XXXXXX")
mutated=""  # the file that holds a fault right now; its original is $work/original
child=""    # the build or test run going on, in a process group of its own

# shellcheck disable=SC2317 # (called from the traps)
stop_child() {
  [ -n "$child" ] || return 0
  kill -TERM -- "-$child" 2>/dev/null
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 -- "-$child" 2>/dev/null || break
    sleep 0.5
  done
  kill -KILL -- "-$child" 2>/dev/null
  wait "$child" 2>/dev/null
  child=""
}

restore() {
  [ -n "$mutated" ] || return 0
  # A plain copy: the file gets a new time, so that the next build compiles the original again.
  cp "$work/original" "$mutated" && mutated=""
}

# Messages of the traps go to the script's own standard error (fd 3), not to the log a command was writing.
exec 3>&2
# shellcheck disable=SC2317 # (called from the traps)
finish() {
  stop_child
  if [ -n "$mutated" ]; then
    echo "put back $mutated" >&3
    restore
  fi
  rm -rf "$work"
}
trap finish EXIT
trap 'echo >&3; echo "interrupted" >&3; exit 130' INT HUP
trap 'echo "terminated" >&3; exit 143' TERM

# Runs a command in a session of its own (so that an interrupt can end it with all its children) and waits
# for it; an interrupt ends the wait at once.
run() {
  setsid "$@" &
  child=$!
  wait "$child"
  local status=$?
  child=""
  return $status
}

configure() {
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAPLEX_BUILD_TESTS=ON \
    -DLUMAPLEX_TEST_TIMEOUT="$1" >"$work/configure.log" 2>&1 || {
    cat "$work/configure.log"
    exit 1
  }
}

# The test lines of a ctest log that did not pass: "name status".
failures() {
  sed -n -E 's/^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: +([^ ]+) \.*(.*)/\1 \2/p' "$1" | grep -v -E ' +Passed +'
}

# The file an entry names: a path from the top, or a file name found once among the tracked files.
resolve() {
  if [ -f "$1" ] && git ls-files --error-unmatch -- "$1" >/dev/null 2>&1; then
    echo "$1"
  else
    git ls-files | awk -v name="/$1" '{ if (substr("/" $0, length($0) + 2 - length(name)) == name) print }' |
      head -n 1
  fi
}

# The whole run is one function, read before it starts (and exit follows): the script can be edited while it
# runs.
main() {
  # --- The unchanged tree ----------------------------------------------------------------------------------
  start=$SECONDS
  echo "baseline: building and testing the unchanged tree in $build"
  configure 300
  run cmake --build "$build" -j "$jobs" >"$work/build.log" 2>&1 || {
    tail -n 30 "$work/build.log"
    echo "the unchanged tree does not build"
    exit 1
  }
  run ctest --test-dir "$build" -j "$jobs" --timeout 300 --output-on-failure >"$work/baseline.log" 2>&1
  baseline_status=$?
  if [ $baseline_status -ne 0 ] || ! grep -q -E '^100% tests passed' "$work/baseline.log"; then
    echo "the unchanged tree fails its tests; a fault cannot be judged against a red suite:"
    failures "$work/baseline.log" | sed 's/^/  /'
    grep -E -A 1 '^FAIL!' "$work/baseline.log" | sed 's/^/    /'
    grep -q -E ' tests? failed out of| Test +#' "$work/baseline.log" || tail -n 20 "$work/baseline.log"
    exit 1
  fi
  # "seconds name" of each test that passed in the baseline.
  times=$(sed -n -E 's/.*Test +#[0-9]+: +([^ ]+) \.+ +Passed +([0-9.]+) sec.*/\2 \1/p' "$work/baseline.log")
  read -r slowest slowest_test < <(sort -n -r <<<"$times" | head -n 1)
  limit=$(awk -v s="$slowest" 'BEGIN { l = int(3 * s + 0.999); print (l > 60 ? l : 60) }')
  tests=$(grep -c . <<<"$times")
  # ctest starts the slowest tests first, and a failure stops the run only once the failing test has ended:
  # the tests that took at most 15 s run first, so that most faults are judged without waiting for the slow
  # ones.
  quick_tests=$(awk '$1 <= 15 { print $2 }' <<<"$times")
  quick="^($(paste -s -d '|' - <<<"$quick_tests"))\$"
  echo "baseline: $tests tests passed in $((SECONDS - start)) s; slowest $slowest_test ${slowest} s;" \
    "a test may now run $limit s; the $(grep -c . <<<"$quick_tests") tests of at most 15 s run first"
  configure "$limit"

  # --- The faults ------------------------------------------------------------------------------------------
  if [ -n "$seed" ]; then
    list=$work/sampled.txt
    python3 tests/faults/sample.py "$seed" "$count" >"$list" || exit 1
    echo "$(grep -c . "$list") faults drawn with seed $seed"
  else
    list=tests/faults/faults.txt
  fi
  equivalent=tests/faults/equivalent.txt

  killed=0 timeouts=0 survived=0 same=0 missing=0 nobuild=0 total=0
  survivors=()
  number=0
  echo
  printf '%3s  %-9s %-44s %-30s %s\n' "#" area file:line verdict what
  while IFS= read -r entry; do
    case "$entry" in '' | '#'*) continue ;; esac
    number=$((number + 1))
    if [ -n "${FAULTS:-}" ] && [[ " $FAULTS " != *" $number "* ]]; then
      continue
    fi
    total=$((total + 1))
    began=$SECONDS
    area=$(awk -F' @@ ' '{ print $1 }' <<<"$entry")
    name=$(awk -F' @@ ' '{ print $2 }' <<<"$entry")
    what=$(awk -F' @@ ' '{ print $5 }' <<<"$entry")
    file=$(resolve "$name")
    place=$name
    verdict="n/a"
    if [ -n "$file" ]; then
      # Writes the faulty file and its line number if the text occurs exactly once (\n in it is a line break,
      # everything else literal).
      FAULT_ENTRY="$entry" perl -e '
        my @f = split / @@ /, $ENV{FAULT_ENTRY};
        my ($from, $to) = ($f[2], $f[3] // "");
        s/<NL>/\n/g for ($from, $to);
        local $/; my $text = <STDIN>;
        my $count = () = $text =~ /\Q$from\E/g;
        exit 1 if $count != 1;
        my $at = index($text, $from);
        print STDERR 1 + (substr($text, 0, $at) =~ tr/\n//), "\n";
        substr($text, $at, length $from) = $to;
        print $text;' <"$file" >"$work/faulty" 2>"$work/line"
      found=$?
      place=$file:$(cat "$work/line")
      key=$(awk -F' @@ ' -v OFS=' @@ ' '{ print $2, $3, $4 }' <<<"$entry")
      if [ $found -ne 0 ]; then
        verdict="n/a"
        missing=$((missing + 1))
      elif [ -f "$equivalent" ] && KEY=$key awk -F' @@ ' -v OFS=' @@ ' \
        '!/^#/ && NF >= 4 { NF--; if ($0 == ENVIRON["KEY"]) { found = 1; exit } } END { exit !found }' "$equivalent"; then
        verdict="equivalent"
        same=$((same + 1))
      else
        cp "$file" "$work/original"
        mutated=$file
        cp "$work/faulty" "$file"
        if ! run cmake --build "$build" -j "$jobs" --target lumaplex_test_programs >"$work/run.log" 2>&1; then
          verdict="no-build"
          nobuild=$((nobuild + 1))
        elif run ctest --test-dir "$build" -j "$jobs" --timeout "$limit" --stop-on-failure --no-tests=ignore \
          -R "$quick" >"$work/run.log" 2>&1 &&
          run ctest --test-dir "$build" -j "$jobs" --timeout "$limit" --stop-on-failure --no-tests=ignore \
            -E "$quick" >>"$work/run.log" 2>&1; then
          verdict="survived"
          survived=$((survived + 1))
          survivors+=("$(printf '#%d %s: %s\n%s' "$number" "$place" "$what" \
            "$(diff -u --label "a/$file" --label "b/$file" "$work/original" "$file")")")
        else
          read -r test status < <(failures "$work/run.log" | head -n 1)
          case "${status:-}" in
            *Timeout*) verdict="killed (timeout: $test)" timeouts=$((timeouts + 1)) ;;
            *Exception* | *aborted* | *SEGFAULT* | *SegFault*) verdict="killed (crash: $test)" ;;
            *) verdict="killed (${test:-ctest failed})" ;;
          esac
          killed=$((killed + 1))
        fi
        restore
      fi
    else
      missing=$((missing + 1))
    fi
    printf '%3d  %-9s %-44s %-30s %s (%d s)\n' "$number" "$area" "$place" "$verdict" "$what" $((SECONDS - began))
  done <"$list"

  # Leave the build as the tree is.
  run cmake --build "$build" -j "$jobs" >/dev/null 2>&1

  echo
  if [ ${#survivors[@]} -gt 0 ]; then
    echo "Survivors (add a test that catches each, or list it in $equivalent with the reason):"
    for survivor in "${survivors[@]}"; do
      echo
      echo "$survivor"
    done
    echo
  fi
  echo "killed $killed ($timeouts by timeout), survived $survived, equivalent $same, n/a $missing," \
    "no-build $nobuild, total $total"
  if [ $((killed + survived)) -gt 0 ]; then
    awk -v k="$killed" -v s="$survived" \
      'BEGIN { printf "kill rate %.1f %% (%d of %d compiled, non-equivalent faults)\n", 100 * k / (k + s), k, k + s }'
  else
    echo "kill rate: none of the faults compiled and ran"
  fi
  echo "$(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s in all"
}

{ main; exit; }
