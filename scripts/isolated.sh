#!/usr/bin/env bash
# Runs a command in a private network namespace with only loopback up, so the
# suites' fixed ports (2002, 2004) never meet anything else on the machine.
# Where namespaces are not allowed the command runs as it is.
set -euo pipefail
if command -v ip >/dev/null && unshare -n true 2>/dev/null; then
    exec unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
echo "isolated: no private network namespace here; running on the host's network" >&2
exec "$@"
