#!/usr/bin/env bash
# Idle cost of the app with its peers bound but silent: CPU over the window
# from /proc/PID/stat, wake-ups from the context switches of all its threads
# (and of the GUI thread alone) in /proc/PID/task/*/status, and RSS.
# Loopback and a temporary bus directory only.
#   bench/idle_cost.sh APP BENCH_BUS [SECONDS] [present|tcp-absent|dropping BUS_TORTURE]
# tcp-absent: the decoder board away; dropping: the peer's socket taken by a
# process that takes every link and drops it at once.
set -euo pipefail
app=$1 bench=$2 seconds=${3:-60} mode=${4:-present}
export BRISVEL_MQ_DIR=$(mktemp -d /tmp/brisvel-idle.XXXXXX)
export BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1 QT_QPA_PLATFORM=offscreen
ready=$BRISVEL_MQ_DIR/peers.out
"$bench" peers $((seconds + 15)) $([ "$mode" = tcp-absent ] && echo no-tcp) >"$ready" &
peers=$!
until grep -q ready "$ready" 2>/dev/null; do sleep 0.2; done
dropper=
if [ "$mode" = dropping ]; then
    "$5" drop "ipc://$BRISVEL_MQ_DIR/DoRiduyPub.ipc" $((seconds + 10)) >/dev/null &
    dropper=$!
fi
"$app" >/dev/null 2>&1 &
pid=$!
trap 'kill -INT $pid 2>/dev/null; wait $pid 2>/dev/null; kill $peers $dropper 2>/dev/null; wait $peers $dropper 2>/dev/null; rm -rf "$BRISVEL_MQ_DIR"' EXIT
sleep 5 # start-up is not idle

ticks() { awk '{print $14 + $15}' /proc/$pid/stat; }
switches() { cat /proc/$pid/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}'; }
gui_switches() { awk '/ctxt_switches/ {s += $2} END {print s}' /proc/$pid/task/$pid/status; }
rss() { awk '/VmRSS/ {print $2}' /proc/$pid/status; }

t0=$(ticks) s0=$(switches) g0=$(gui_switches) r0=$(rss)
sleep "$seconds"
t1=$(ticks) s1=$(switches) g1=$(gui_switches) r1=$(rss)
hz=$(getconf CLK_TCK)
awk -v t=$((t1 - t0)) -v hz="$hz" -v s=$((s1 - s0)) -v g=$((g1 - g0)) -v n="$seconds" \
    -v r0="$r0" -v r1="$r1" -v app="$app" 'BEGIN {
    printf "%s, idle %d s, peers '"$mode"': CPU %.2f %% of a core, %.1f wake-ups/s (GUI thread %.1f/s), RSS %d -> %d kB\n",
        app, n, 100 * t / hz / n, s / n, g / n, r0, r1 }'
