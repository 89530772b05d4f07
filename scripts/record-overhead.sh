#!/usr/bin/env bash
# What 'unit-sim record' costs: its CPU share (from /proc) while the simulated
# decoder publishes ED2 events at 10 Hz, and the bytes it writes a minute.
# Loopback and a temporary bus directory only. Usage: record-overhead.sh [BUILD] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
seconds="${2:-60}"
sim="$build/tools/unit-sim"

export BRISVEL_MQ_DIR=$(mktemp -d /tmp/brisvel-mq.XXXXXX)
export BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
file="$BRISVEL_MQ_DIR/overhead.rec"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -INT "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$BRISVEL_MQ_DIR"
}
trap cleanup EXIT

"$sim" ed2 --rate 10 >/dev/null &
pids+=($!)
"$sim" record "$file" >/dev/null &
recorder=$!
pids+=($recorder)
sleep 2 # past start-up

# Fields 14 and 15 of /proc/PID/stat: user and system time of all its threads, in ticks.
ticks() { awk '{print $14 + $15}' "/proc/$recorder/stat"; }
hz=$(getconf CLK_TCK)
t0=$(date +%s.%N); c0=$(ticks); b0=$(stat -c %s "$file")
sleep "$seconds"
t1=$(date +%s.%N); c1=$(ticks); b1=$(stat -c %s "$file")
awk -v c="$((c1 - c0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v b="$((b1 - b0))" 'BEGIN {
    wall = t1 - t0
    printf "record: %.2f s CPU in %.1f s, %.2f %% of one core; %.0f bytes a minute\n",
        c / hz, wall, 100 * c / hz / wall, b * 60 / wall }'
