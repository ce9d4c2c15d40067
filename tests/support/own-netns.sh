#!/bin/sh
# Runs a test in a network namespace of its own with its loopback interface up, so that the test may take
# that interface down without touching the host's. The test learns which namespace that is from
# LUMAPLEX_OWN_NETNS (and the host's from LUMAPLEX_HOST_NETNS) and acts only when it finds itself in the
# former. Without root, unshare or ip (or where no namespace can be made) the test runs as it is and skips
# what needs one.
if [ "$(id -u)" = 0 ] && command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 &&
  unshare -n true 2>/dev/null; then
  LUMAPLEX_HOST_NETNS=$(readlink /proc/self/ns/net)
  export LUMAPLEX_HOST_NETNS
  exec unshare -n sh -c 'own=$(readlink /proc/self/ns/net) &&
    [ -n "$own" ] && [ "$own" != "$LUMAPLEX_HOST_NETNS" ] && ip link set lo up &&
    LUMAPLEX_OWN_NETNS=$own exec "$0" "$@"' "$@"
fi
exec "$@"
