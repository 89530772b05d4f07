#!/usr/bin/env bash
# The bus torture for as long as asked: the real subscribers against
# publishers that burst, exit or are killed mid-burst, send oversize frames
# or cut messages, drop every link, and rebind; after every round a good
# message must act. Loopback and a temporary directory only, in a private
# network namespace where the machine allows one. Prints a progress line a
# minute and the figures at the end; fails on any abort or hang.
#
#   scripts/torture.sh [SECONDS] [SEED] [BUILD_DIR]     defaults: 600, the time, build
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
seed="${2:-$(date +%s)}"
build="${3:-build}"
tool="$build/tools/bus-torture"
[ -x "$tool" ] || { echo "torture: build $tool first (cmake --build --preset dev --target bus-torture)"; exit 2; }
# A copy: the publishers it starts are itself, and a rebuild must not change them mid-run.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$tool" "$work/bus-torture"
echo "torture: seed $seed, $seconds s"
status=0
# The tool's own watchdog ends a blocked run; this bounds everything else.
timeout --signal=KILL $((seconds + 600)) bash scripts/isolated.sh "$work/bus-torture" \
    --seed "$seed" --seconds "$seconds" || status=$?
case $status in
0) echo "torture: passed" ;;
134 | 137) echo "torture: ABORTED or killed (status $status)" ;;
*) echo "torture: FAILED (status $status)" ;;
esac
exit $status
