#!/usr/bin/env bash
# The whole app's cost under the nominal stream, counted rather than timed, by
# thread, on this machine and on the unit's ARM CPUs:
#   bash scripts/app-cost.sh [--seconds N] x86|armhf|arm64...
# The app (Release, offscreen platform) runs fed by unit-sim (native) in a
# private network namespace with only loopback up: ED2 at 10 Hz with 16
# objects, a peer command a second ("view top": parsed, the view set, the
# whole area repainted), the heartbeat monitor and the log sink. Once the app
# has started and run 15 s more (first paints, the sprite cache filled), every
# thread's count is taken over a window of N seconds (default 60), then the
# same without the ED2 stream (the idle part of the cost). Prints instructions
# a second and per ED2 event (a second's worth over 10), per thread.
#
# armhf and arm64: qemu-user with bench/qemu_insn_count.c, whose own thread
# writes every guest thread's count with its name once a second. x86:
# callgrind, each thread apart, zeroed at the window's start and dumped at its
# end; its threads have no names there, so they are told apart by what they
# run (the GUI thread is the first; the bus library's are libzmq's I/O thread
# and reaper). APP_COST_KEEP=DIR keeps every run's files there.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/cost-lib.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

seconds=60
if [ "${1:-}" = --seconds ]; then
    seconds=$2
    shift 2
fi
(($#)) || { echo "usage: scripts/app-cost.sh [--seconds N] x86|armhf|arm64..." >&2; exit 2; }
settle=15

if [ "${APP_COST_INSIDE:-}" != 1 ]; then
    for arch in "$@"; do
        case "$arch" in
            x86) bash scripts/deps.sh valgrind ;;
            armhf | arm64) bash scripts/paint-cost.sh --plugin-only "$arch" ;;
            *) echo "app-cost: unknown architecture $arch" >&2; exit 2 ;;
        esac
        preset=bench
        [ "$arch" = x86 ] || preset=bench-$arch
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j2 --target brisvel-visualiser >/dev/null
    done
    cmake --build --preset bench -j2 --target unit-sim >/dev/null
    APP_COST_INSIDE=1 exec bash scripts/isolated.sh bash "$0" --seconds "$seconds" "$@"
fi

work=$(mktemp -d /tmp/brisvel-app-cost.XXXXXX)
trap 'stop_all; rm -rf "$work"' EXIT
sim=$PWD/build-bench/tools/unit-sim


# run ARCH MODE: the app fed as above (MODE stream or idle); leaves the window's
# counts in $work/ARCH-MODE.counts as "NAME INSTRUCTIONS" lines, GUI thread first.
run() {
    local arch=$1 mode=$2 mq=$work/mq-$1-$2 out=$work/$1-$2
    mkdir -p "$mq"
    local env=(env -i QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 BRISVEL_MQ_DIR="$mq"
        BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
        FONTCONFIG_FILE="$work/fonts-$arch.conf" HOME="$work")
    "${env[@]}" "$sim" hbmon --after 3600000 >"$out.hbmon" 2>&1 &
    pids+=($!)
    "${env[@]}" "$sim" logsink >"$out.logsink" 2>&1 &
    pids+=($!)
    (while sleep 1; do echo "view top"; done) | "${env[@]}" "$sim" peer >"$out.peer" 2>&1 &
    pids+=($!)
    if [ "$mode" = stream ]; then
        "${env[@]}" "$sim" ed2 --rate 10 --objects 16 >"$out.ed2" 2>&1 &
        pids+=($!)
    fi
    local app
    case "$arch" in
        x86)
            "${env[@]}" valgrind --tool=callgrind --separate-threads=yes \
                --callgrind-out-file="$out.cg" build-bench/brisvel-visualiser >"$out.app" 2>&1 &
            app=$!
            ;;
        *)
            local sysroot=$PWD/sysroot/$arch qemu=qemu-arm triplet=arm-linux-gnueabihf
            [ "$arch" = armhf ] || qemu=qemu-aarch64 triplet=aarch64-linux-gnu
            "${env[@]}" "$(command -v "$qemu")" -L "$sysroot" \
                -E "QT_PLUGIN_PATH=$sysroot/usr/lib/$triplet/qt6/plugins" \
                -plugin "$PWD/build-qemu-plugin/libinsncount.so,out=$out.samples" \
                "build-bench-$arch/brisvel-visualiser" >"$out.app" 2>&1 &
            app=$!
            ;;
    esac
    pids+=($app)
    until grep -q "Starting event loop" "$out.app" 2>/dev/null; do
        kill -0 "$app" 2>/dev/null || { echo "app-cost: the app stopped" >&2; cat "$out.app" >&2; exit 1; }
        sleep 0.5
    done
    sleep "$settle"
    local t0 t1
    if [ "$arch" = x86 ]; then
        callgrind_control -z "$app" >/dev/null
        t0=$(date +%s.%N)
        sleep "$seconds"
        callgrind_control -d "$app" >/dev/null
        t1=$(date +%s.%N)
        # One file per thread of the dump, numbered in start order. Debian's
        # libzmq has no symbols: of the threads it starts, the first is its
        # reaper and the next its I/O thread (one context, one I/O thread).
        local f total thread name zmq=0
        for f in $(ls "$out".cg.*-* | awk -F- '{print $NF, $0}' | sort -n | cut -d' ' -f2); do
            total=$(awk '/^(summary|totals):/ {print $2; exit}' "$f")
            thread=${f##*-}
            thread=$((10#$thread))
            name=other
            if [ "$thread" = 1 ]; then
                name=GUI
            elif grep -q '^ob=.*libzmq' "$f"; then
                zmq=$((zmq + 1))
                case $zmq in 1) name=ZMQbg/Reaper ;; 2) name=ZMQbg/IO/0 ;; *) name=libzmq ;; esac
            fi
            echo "$name ${total:-0}"
        done >"$out.window"
        # Under callgrind the threads take turns, so fewer events may get through than were
        # sent: the GUI thread's calls of the decode say how many did.
        awk '/^c?fn=\(/ {match($0, /\([0-9]+\)/); id = substr($0, RSTART + 1, RLENGTH - 2)
                 if (index($0, ") ")) name[id] = substr($0, index($0, ") ") + 2)
                 if ($0 ~ /^cfn/) callee = id}
             /^calls=/ && name[callee] ~ /DolbyED2Frames::Decode/ {split($1, c, "="); n += c[2]}
             END {print n + 0}' "$(ls "$out".cg.*-01 | head -n1)" >"$out.events"
    else
        local a b
        sleep 1.5
        a=$(awk '{ms = $1} END {print ms}' "$out.samples")
        t0=$(date +%s.%N)
        sleep "$seconds"
        b=$(awk '{ms = $1} END {print ms}' "$out.samples")
        t1=$(date +%s.%N)
        # Per slot: the name at the end and the count's difference between the samples.
        awk -v a="$a" -v b="$b" '$1 == a {start[$2] = $5} $1 == b {end[$2] = $5; name[$2] = $4}
            END {for (k = 0; k in end; ++k) print (k ? name[k] : "GUI"), end[k] - start[k]}' \
            "$out.samples" >"$out.window"
        t0=0 t1=$(awk -v a="$a" -v b="$b" 'BEGIN {print (b - a) / 1000}')
    fi
    [ -z "${APP_COST_KEEP:-}" ] || cp "$out".* "$APP_COST_KEEP"/ # for a closer look
    [ -f "$out.events" ] || echo $((seconds * 10)) >"$out.events"
    awk -v t0="$t0" -v t1="$t1" -v n="$(cat "$out.events")" \
        'BEGIN {print n / (t1 - t0)}' >"$work/$arch-$mode.rate"
    awk -v s="$(awk -v t0="$t0" -v t1="$t1" 'BEGIN {print t1 - t0}')" \
        '{sum[$1] += $2; if (!($1 in seen)) {seen[$1] = 1; order[n++] = $1}}
         END {for (i = 0; i < n; ++i) print order[i], sum[order[i]] / s}' \
        "$out.window" >"$work/$arch-$mode.counts"
    stop_all
}

for arch in "$@"; do
    font_config "$work" "$arch"
    run "$arch" stream
    run "$arch" idle
    rate=$(cat "$work/$arch-stream.rate")
    echo "$arch: instructions a second over ${seconds} s, by thread (same names summed); per ED2"
    echo "event, a second's over the events a second ($rate: x86 counts the decodes, ARM takes"
    echo "the 10 sent); and the same with the peer alone (no ED2 stream)"
    printf "  %-22s %14s %12s %14s\n" thread "a second" "per event" "idle, a second"
    awk -v r="$rate" 'FNR == NR {idle[$1] = $2; next}
         {printf "  %-22s %14.0f %12.0f %14.0f\n", $1, $2, $2 / r, idle[$1]; all += $2; ia += idle[$1]}
         END {printf "  %-22s %14.0f %12.0f %14.0f\n", "all threads", all, all / r, ia}' \
        "$work/$arch-idle.counts" "$work/$arch-stream.counts"
done
