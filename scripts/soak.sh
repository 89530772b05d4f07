#!/usr/bin/env bash
# Long runs, not part of CI: a soak that samples the visualiser's resident
# memory and open file descriptors while the simulated unit feeds it, then the
# same feed under valgrind. Everything stays on a temporary bus directory and
# loopback.
#
#   scripts/soak.sh [BUILD_DIR] [SOAK_SECONDS] [VALGRIND_SECONDS]
#   defaults: build 600 120; samples every SAMPLE_SECONDS (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
soak_s="${2:-600}"
vg_s="${3:-120}"
sample_s="${SAMPLE_SECONDS:-10}"
app="$build/brisvel-visualiser"
sim="$build/tools/unit-sim"
[ -x "$app" ] && [ -x "$sim" ] || { echo "soak: build $build first (brisvel-visualiser, unit-sim)"; exit 2; }

work="$(mktemp -d)"
export BRISVEL_MQ_DIR="$work/mq" BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
export QT_QPA_PLATFORM=offscreen
mkdir -p "$BRISVEL_MQ_DIR"
pids=()
stop_all() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap 'stop_all; rm -rf "$work"' EXIT

# The unit around the app: decoder events at 25 Hz, heartbeat monitor, logger sink.
"$sim" ed2 --rate 25 --objects 16 >"$work/ed2.log" 2>&1 & pids+=($!)
"$sim" hbmon --after 3600000 >"$work/hbmon.log" 2>&1 & pids+=($!)
"$sim" logsink >"$work/logsink.log" 2>&1 & pids+=($!)

# $1: the app's PID, $2: seconds. Prints "seconds rss_kb fds" lines.
sample() {
    local pid="$1" end=$((SECONDS + $2)) start=$SECONDS
    while [ $SECONDS -lt $end ] && kill -0 "$pid" 2>/dev/null; do
        echo "$((SECONDS - start)) $(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status") $(ls "/proc/$pid/fd" | wc -l)"
        sleep "$sample_s"
    done
}

echo "soak: ${soak_s} s, a sample every ${sample_s} s (seconds, RSS kB, fds)"
"$app" >"$work/app.out" 2>"$work/app.err" & app_pid=$!
sleep 3
sample "$app_pid" "$soak_s" | tee "$work/samples"
kill -INT "$app_pid"; wait "$app_pid" && echo "soak: app exited 0" || echo "soak: app exit status $?"
awk 'NR==1 {r0=$2; f0=$3; rmin=$2; rmax=$2; fmin=$3; fmax=$3}
     {if ($2<rmin) rmin=$2; if ($2>rmax) rmax=$2; if ($3<fmin) fmin=$3; if ($3>fmax) fmax=$3; r1=$2; f1=$3}
     END {printf "soak: RSS %d -> %d kB (min %d, max %d); fds %d -> %d (min %d, max %d)\n", r0, r1, rmin, rmax, f0, f1, fmin, fmax}' \
    "$work/samples"

command -v valgrind >/dev/null || { echo "soak: no valgrind, skipped"; exit 0; }
echo "valgrind: ${vg_s} s under the same feed"
valgrind --leak-check=full --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
    --error-exitcode=9 --log-file="$work/valgrind.log" "$app" >/dev/null 2>&1 & vg_pid=$!
sleep "$vg_s"
kill -INT "$vg_pid"
status=0; wait "$vg_pid" || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost" "$work/valgrind.log" | sed 's/^==[0-9]*== /valgrind: /'
echo "valgrind: exit status $status"
