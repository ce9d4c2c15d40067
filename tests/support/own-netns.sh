#!/bin/sh
# Runs a test in a network namespace of its own with its loopback interface up, so that the test may take
# that interface down without touching the host's. The test learns which namespace that is from
# LUMAPLEX_OWN_NETNS (and the host's from LUMAPLEX_HOST_NETNS) and acts only when it finds itself in the
# former. As root the namespace is made directly, otherwise inside a user namespace of its own. Where no
# namespace can be made the test does not run at all: the script exits 77, which CTest reports as skipped,
# never as passed.
if ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
  echo "own-netns: needs unshare and ip (util-linux, iproute2)" >&2
  exit 77
fi
if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
  namespace="-n"
elif unshare -r -n true 2>/dev/null; then
  namespace="-r -n"
else
  echo "own-netns: no network namespace can be made here" >&2
  exit 77
fi
LUMAPLEX_HOST_NETNS=$(readlink /proc/self/ns/net)
export LUMAPLEX_HOST_NETNS
# shellcheck disable=SC2086
exec unshare $namespace sh -c 'own=$(readlink /proc/self/ns/net) &&
  [ -n "$own" ] && [ "$own" != "$LUMAPLEX_HOST_NETNS" ] && ip link set lo up &&
  LUMAPLEX_OWN_NETNS=$own exec "$0" "$@"' "$@"
