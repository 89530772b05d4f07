#!/usr/bin/env bash
# Runs the visualiser fed by the unit simulator, on a temporary bus directory
# and 127.0.0.1 only. Without a display it uses a virtual one and writes
# screenshots to out/visualiser.png. Ctrl-C (or --seconds N) stops everything.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

seconds=0
if [ "${1:-}" = "--seconds" ]; then seconds="${2:?--seconds needs a number}"; fi

bash scripts/deps.sh --run
# The same preset as scripts/test.sh, so switching between them rebuilds nothing.
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)" --target brisvel-visualiser unit-sim

export BRISVEL_MQ_DIR=$(mktemp -d /tmp/brisvel-mq.XXXXXX)
export BRISVEL_DECODER_ADDR=127.0.0.1
export BRISVEL_UNIT_ADDR=127.0.0.1
sim="$top/build/tools/unit-sim"
logs="$BRISVEL_MQ_DIR/logs"
mkdir -p "$logs" out
# Where the app writes a screenshot on SIGUSR1, as the service's RuntimeDirectory.
export RUNTIME_DIRECTORY=$top/out/panel

pids=()
cleanup() {
    trap - EXIT INT TERM
    # Newest first: the app leaves before its peers, the display goes last.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -INT "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$BRISVEL_MQ_DIR"
}
trap cleanup EXIT
trap 'exit 0' INT TERM

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    export DISPLAY=:47
    Xvfb "$DISPLAY" -screen 0 800x480x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X47 ] && break; sleep 0.1; done
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}

echo "Bus directory: $BRISVEL_MQ_DIR (BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1)"
echo "To drive it from another terminal:"
echo "  export BRISVEL_MQ_DIR=$BRISVEL_MQ_DIR BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1"
echo "  $sim peer view front"

# The sinks first, so the app's first heartbeat and log record are seen.
"$sim" logsink > >(sed -u 's/^/[logsink] /') 2>&1 &
pids+=($!)
"$sim" hbmon > >(sed -u 's/^/[hbmon] /') 2>&1 &
pids+=($!)
"$sim" ed2 --rate 10 >"$logs/ed2.log" 2>&1 &
pids+=($!)

./build/brisvel-visualiser > >(sed -u 's/^/[app] /') 2>&1 &
app=$!
pids+=($app)
echo "Screenshot on request: kill -USR1 $app (PNG in $RUNTIME_DIRECTORY, the newest 10 kept)"

sleep 2
"$sim" peer show | sed -u 's/^/[peer] /'

started=$(date +%s)
while kill -0 "$app" 2>/dev/null; do
    if [ "$headless" = 1 ]; then
        import -display "$DISPLAY" -window root -crop 472x266+0+0 out/visualiser.png 2>/dev/null &&
            [ -z "${shot_said:-}" ] && { echo "Screenshots: $top/out/visualiser.png (refreshed every 3 s)"; shot_said=1; }
    fi
    if [ "$seconds" -gt 0 ] && [ $(($(date +%s) - started)) -ge "$seconds" ]; then break; fi
    sleep 3
done
