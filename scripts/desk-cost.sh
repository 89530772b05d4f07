#!/usr/bin/env bash
# What the app costs a desk user: its CPU under the nominal stream on a real X
# server (Xvfb, the xcb platform), user and system time apart, a line a
# minute so that a drift shows; then its system calls a second by thread, and
# the call stacks of a sample of its poll and getpid calls.
#   bash scripts/desk-cost.sh [--minutes N] [--strace-seconds S] APP UNIT_SIM
# The feed is that of scripts/app-cost.sh: ED2 at 10 Hz with 16 objects, a
# peer command ("view top") a second, the heartbeat monitor and the log sink,
# in a private network namespace with only loopback up and a bus directory of
# its own. Defaults: 15 minutes, 12 s of strace.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/cost-lib.sh

minutes=15 strace_s=12
while [ $# -gt 2 ]; do
    case "$1" in
        --minutes) minutes=$2 ;;
        --strace-seconds) strace_s=$2 ;;
        *) break ;;
    esac
    shift 2
done
app=$(realpath "$1") sim=$(realpath "$2")
if [ "${DESK_COST_INSIDE:-}" != 1 ]; then
    bash scripts/deps.sh strace x11-utils
    DESK_COST_INSIDE=1 exec bash scripts/isolated.sh bash "$0" --minutes "$minutes" \
        --strace-seconds "$strace_s" "$app" "$sim"
fi

work=$(mktemp -d /tmp/brisvel-desk-cost.XXXXXX)
export BRISVEL_MQ_DIR=$work/mq BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
mkdir -p "$BRISVEL_MQ_DIR"
trap 'stop_all; rm -rf "$work"' EXIT

# A display number nobody uses; its socket is in the shared /tmp/.X11-unix.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 800x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=:$display
until xdpyinfo >/dev/null 2>&1; do sleep 0.2; done

"$sim" hbmon --after 36000000 >"$work/hbmon.log" 2>&1 &
pids+=($!)
"$sim" logsink >"$work/logsink.log" 2>&1 &
pids+=($!)
(while sleep 1; do echo "view top"; done) | "$sim" peer >"$work/peer.log" 2>&1 &
pids+=($!)
"$sim" ed2 --rate 10 --objects 16 >"$work/ed2.log" 2>&1 &
pids+=($!)
QT_QPA_PLATFORM=xcb "$app" >"$work/app.log" 2>&1 &
pid=$!
pids+=($pid)
until grep -q "Starting event loop" "$work/app.log" 2>/dev/null; do sleep 0.2; done
sleep 10 # start-up is not the steady state

hz=$(getconf CLK_TCK)
# Fields 14 and 15 of /proc/PID/stat: user and system time of all its threads, in ticks.
times() { awk '{print $14, $15}' "/proc/$pid/stat"; }
echo "desk-cost: $app on Xvfb :$display (xcb), $minutes minutes; % of one core a minute"
echo "  minute   user %   system %   both %"
read -r u0 s0 < <(times)
t0=$(date +%s.%N)
ua=$u0 sa=$s0 ta=$t0
for ((m = 1; m <= minutes; m++)); do
    sleep 60
    read -r u1 s1 < <(times)
    t1=$(date +%s.%N)
    awk -v m="$m" -v u=$((u1 - ua)) -v s=$((s1 - sa)) -v hz="$hz" -v a="$ta" -v b="$t1" 'BEGIN {
        w = (b - a) * hz; printf "  %6d %8.2f %10.2f %8.2f\n", m, 100 * u / w, 100 * s / w, 100 * (u + s) / w }'
    ua=$u1 sa=$s1 ta=$t1
done
awk -v u=$((ua - u0)) -v s=$((sa - s0)) -v hz="$hz" -v a="$t0" -v b="$ta" 'BEGIN {
    w = (b - a) * hz; printf "  all    %8.2f %10.2f %8.2f\n", 100 * u / w, 100 * s / w, 100 * (u + s) / w }'

# System calls by thread: every call of every thread for a while, counted by
# the thread's name; then the stacks of some poll and getpid calls.
for task in /proc/"$pid"/task/*; do
    echo "$(basename "$task") $(tr ' ' _ <"$task/comm")"
done >"$work/threads"
timeout -s INT "$strace_s" strace -f -qq -p "$pid" -o "$work/calls" || true
echo "desk-cost: system calls a second over ${strace_s} s of strace, by thread"
awk -v s="$strace_s" 'FNR == NR {name[$1] = $2; next}
    {call = $2; sub(/\(.*/, "", call); if (call ~ /^</) next; n[name[$1] " " call]++; t[name[$1]]++}
    END {for (k in n) if (n[k] / s >= 1) printf "  %-24s %-16s %8.1f\n", substr(k, 1, index(k, " ") - 1),
                                                  substr(k, index(k, " ") + 1), n[k] / s
         for (k in t) printf "  %-24s %-16s %8.1f\n", k, "(all)", t[k] / s}' \
    "$work/threads" "$work/calls" | sort -k1,1 -k3,3nr
timeout -s INT 2 strace -f -qq -k -e trace=poll,getpid -p "$pid" -o "$work/stacks" || true
echo "desk-cost: where poll and getpid are called from, over 2 s (the innermost named frames)"
# A frame: " > /usr/lib/.../libczmq.so.4(zsock_events+0x7a) [0x2c4da]"; a frame
# without a symbol is named by its library, and repeats of one name are one.
awk 'function done() {if (stack != "") n[stack]++; stack = ""}
     /^[0-9]+ +(poll|getpid)\(/ {done(); split($2, c, "("); stack = c[1]; frames = 0; last = ""; next}
     /^ > / && stack != "" && frames < 5 {
         f = $2; lib = f; sub(/\(.*/, "", lib); sub(/.*\//, "", lib); sub(/\.so.*/, "", lib)
         fn = f; if (!sub(/^[^(]*\(/, "", fn)) fn = ""; sub(/[+)].*/, "", fn)
         name = fn != "" ? fn : lib
         if (name != last && lib != "libc") {stack = stack " <- " name; last = name; ++frames}}
     END {done(); for (k in n) print n[k], k}' "$work/stacks" | sort -rn | head -8 | sed 's/^/  /'
