#!/usr/bin/env bash
# Builds Lumaplex and starts it together with the device simulator on 127.0.0.1. On a first start the
# connection settings point at the simulator, so logging in (password 583029) and pressing Connect in the
# Network group is all it takes. The simulator stops when Lumaplex exits.
#
# Environment: LUMAPLEX_SIM_PORT (default 2000), LUMAPLEX_SIM_MODEL (default RKA204QE),
#              LUMAPLEX_SIM_PTY (a path: the simulator also offers a serial port there).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

bin=build/bin
port=${LUMAPLEX_SIM_PORT:-2000}
model=${LUMAPLEX_SIM_MODEL:-RKA204QE}
sim_args=(--tcp "127.0.0.1:$port" --model "$model" --state "$bin/sim-state.json" --quiet)
if [ -n "${LUMAPLEX_SIM_PTY:-}" ]; then
  sim_args+=(--pty "$LUMAPLEX_SIM_PTY")
fi

"$bin/lumaplex-sim" "${sim_args[@]}" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT

"$bin/lumaplex-seedconfig" "$(realpath "$bin")" 127.0.0.1 "$port" 255.0.0.0 127.0.0.1
echo "Simulator ($model) on 127.0.0.1:$port. Log in as admin or user with 583029, then press Connect in the Network group."
"$bin/lumaplex" "$@"
