#!/bin/sh
# Shows whether the test suite catches realistic faults: each fault is applied on its own to a copy of the
# tree, which is rebuilt, and the tests that execute the faulted lines are run (run.py says how).
#
# Usage: tests/faults/run.sh [--list] [--sample SEED N] [--whole-suite] [--workers N] [BUILD_DIR]
#   --list            the hand-written faults of faults.txt (the default; with --sample as well, both)
#   --sample SEED N   N faults drawn from the code by sample.py (the same seed on the same tree, the same
#                     faults)
#   --whole-suite     every fault runs the whole suite instead of the tests the coverage map names
#   --workers N       faults judged at once, each in a build folder of its own (default 2)
# BUILD_DIR (default build-faults) holds the copies, their builds and the coverage map; FAULTS="3 7" runs
# only those numbers (sampled ones as s1, s2, ... when both are run).
exec python3 "$(dirname "$0")/run.py" "$@"
