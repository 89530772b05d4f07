#!/usr/bin/env bash
# The bus torture for as long as asked: the real subscribers against
# publishers that burst, exit or are killed mid-burst, send oversize frames
# or cut messages, drop every link, send a million-frame message or one
# that never ends, and rebind; after every round a good message must act.
# Rounds of their own: the decoder link going silent while a new board takes
# its place, the app stopped and continued, the app's clock stepped back.
# Loopback and temporary directories only, in a private network namespace
# where the machine allows one. Prints a progress line a minute and the
# figures at the end; fails on any abort or hang.
#
#   scripts/torture.sh [SECONDS] [SEED] [BUILD_DIR] [FAULTS]
#       defaults: 600, the time, build, all; FAULTS is "old", "new" or names:
#       exit,kill,oversize,cut,drop,silent,bomb,endless,stop,clock
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
seed="${2:-$(date +%s)}"
build="${3:-build}"
faults="${4:-all}"
tool="$build/tools/bus-torture"
app="$build/brisvel-visualiser"
[ -x "$tool" ] && [ -x "$app" ] ||
    { echo "torture: build $tool and $app first (cmake --build --preset dev --target bus-torture brisvel-visualiser)"; exit 2; }
# The clock fault preloads libfaketime into the app; without it that fault is skipped.
dpkg-query -W -f='${Status}' libfaketime 2>/dev/null | grep -q "install ok installed" ||
    bash scripts/deps.sh libfaketime || echo "torture: no libfaketime, the clock fault will be skipped"
# Copies: the publishers it starts are itself, and a rebuild must not change them mid-run.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$tool" "$work/bus-torture"
cp "$app" "$work/brisvel-visualiser"
export BRISVEL_APP="$work/brisvel-visualiser"
echo "torture: seed $seed, $seconds s, faults $faults"
status=0
# The tool's own watchdog ends a blocked run; this bounds everything else.
timeout --signal=KILL $((seconds + 600)) bash scripts/isolated.sh "$work/bus-torture" \
    --seed "$seed" --seconds "$seconds" --faults "$faults" || status=$?
case $status in
0) echo "torture: passed" ;;
134 | 137) echo "torture: ABORTED or killed (status $status)" ;;
*) echo "torture: FAILED (status $status)" ;;
esac
exit $status
