#!/usr/bin/env bash
# Instructions the visualiser's GUI thread spends per frame, counted rather than
# timed, on this machine and on the unit's ARM CPUs:
#   bash scripts/paint-cost.sh [--frames N] x86|armhf|arm64...
# For each kind of frame of bench/paint_cost.cpp (full, view, objects, some,
# event, stream, and the anchors walk, decode, lists) it runs 0 frames twice and N frames (default 40; the stream,
# whose positions never repeat, a minute of it: 600), with env -i and fixed
# arguments, and prints (count(N) - count(0)) / N, so start-up and the first
# paints drop out, and how far the two runs of 0 frames differ, per frame. x86
# counts with callgrind (all threads); armhf and arm64 with qemu-user and
# bench/qemu_insn_count.c (the main thread, which is the GUI thread, and all
# threads, with the share of vector instructions). --plugin-only ARCH... sets
# up the sysroots and builds the plugin only (scripts/app-cost.sh uses it).
#
# Start-up cost moves with the font cache: the host's cache is shared with
# every other build and emulated run on the machine, and a run that finds it
# stale rescans the fonts. Each architecture gets a font cache of its own here,
# filled by one run before the counted ones.
#
# The qemu plugin header comes from the distribution's qemu source, fetched
# once through a temporary deb-src entry that is removed again at once.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/cost-lib.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

frames=40
if [ "${1:-}" = --frames ]; then
    frames=$2
    shift 2
fi
plugin_only=0 # --plugin-only ARCH...: the sysroots and the counting plugin, for scripts/app-cost.sh
if [ "${1:-}" = --plugin-only ]; then
    plugin_only=1
    shift
fi
(($#)) || { echo "usage: scripts/paint-cost.sh [--frames N] x86|armhf|arm64..." >&2; exit 2; }
# PAINT_COST_KINDS="event stream" counts only those.
read -r -a kinds <<<"${PAINT_COST_KINDS:-full view objects some event stream walk decode lists}"
work=$(mktemp -d)
# Fixed, so that every run sees the same environment; the program opens no socket.
fixed=/tmp/brisvel-paint-cost
trap 'rm -rf "$work" "$fixed"' EXIT
mkdir -p "$fixed/mq"
run_env() { # ARCH: sets run_env_args
    run_env_args=(env -i QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 BRISVEL_MQ_DIR="$fixed/mq"
        BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
        FONTCONFIG_FILE="$fixed/fonts-$1.conf")
}

apt=(apt-get -o DPkg::Lock::Timeout=600)

plugin=build-qemu-plugin/libinsncount.so
build_plugin() {
    bash scripts/deps.sh libglib2.0-dev
    local header=build-qemu-plugin/include/qemu-plugin.h
    if [ ! -f "$header" ]; then
        local list=/etc/apt/sources.list.d/brisvel-qemu-source.sources
        local version
        version=$(dpkg-query -W -f='${source:Version}' qemu-user)
        # The same archives, suites and key as the system's own entries.
        trap 'rm -f "$list"; "${apt[@]}" update -qq || true; rm -rf "$work" "$fixed"' EXIT
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
        "${apt[@]}" update -qq
        (cd "$work" && "${apt[@]}" source --download-only -qq "qemu=$version")
        rm -f "$list"
        "${apt[@]}" update -qq || true
        trap 'rm -rf "$work" "$fixed"' EXIT
        mkdir -p "$(dirname "$header")"
        tar -xf "$work"/qemu_*.orig.tar.* -C "$work" --wildcards '*/include/qemu/qemu-plugin.h'
        cp "$work"/qemu-*/include/qemu/qemu-plugin.h "$header"
        rm -rf "$work"/qemu*
    fi
    if [ ! -f "$plugin" ] || [ bench/qemu_insn_count.c -nt "$plugin" ]; then
        # shellcheck disable=SC2046
        gcc -O2 -shared -fPIC -Wall -Wextra -I "$(dirname "$header")" \
            $(pkg-config --cflags glib-2.0) -o "$plugin" bench/qemu_insn_count.c \
            $(pkg-config --libs glib-2.0)
    fi
}

# count ARCH KIND FRAMES: prints "main all simd-main simd-all" (x86: "all all 0 0").
count() {
    local arch=$1 kind=$2 n=$3 log=$work/log
    if [ "$arch" = x86 ]; then
        run_env x86
        "${run_env_args[@]}" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
            build-bench/bench/paint_cost "$kind" "$n" >/dev/null 2>"$log"
        local all
        all=$(awk '/Collected :/ {print $NF}' "$log")
        echo "$all $all 0 0"
    else
        local sysroot=$PWD/sysroot/$arch qemu triplet
        case "$arch" in
            armhf) qemu=qemu-arm triplet=arm-linux-gnueabihf ;;
            arm64) qemu=qemu-aarch64 triplet=aarch64-linux-gnu ;;
        esac
        run_env "$arch"
        "${run_env_args[@]}" "$(command -v "$qemu")" -L "$sysroot" \
            -E "QT_PLUGIN_PATH=$sysroot/usr/lib/$triplet/qt6/plugins" \
            -plugin "$PWD/$plugin" -d plugin -D "$log" \
            "build-bench-$arch/bench/paint_cost" "$kind" "$n" >/dev/null 2>&1
        awk '/^thread 0:/ {m = $3; ms = $5} /^all threads:/ {a = $3; as = $5}
             END {print m, a, ms, as}' "$log"
    fi
}

for arch in "$@"; do
    case "$arch" in
        x86) preset=bench ;;
        armhf | arm64) preset=bench-$arch
            bash scripts/cross.sh "$arch" --sysroot-only # also sets its fonts up as installed
            build_plugin
            [ "$plugin_only" = 0 ] || continue ;;
        *) echo "paint-cost: unknown architecture $arch" >&2; exit 2 ;;
    esac
    [ "$arch" != x86 ] || bash scripts/deps.sh valgrind
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j2 --target paint_cost >/dev/null
    font_config "$fixed" "$arch"
    count "$arch" full 0 >/dev/null # fills the font cache
    echo "$arch, $frames frames, instructions per frame: GUI thread, all threads, vector share"
    echo "of the GUI thread's, and the spread of the start-up count per frame"
    for kind in "${kinds[@]}"; do
        read -r m0 a0 s0 _ < <(count "$arch" "$kind" 0)
        read -r z0 _ < <(count "$arch" "$kind" 0)
        n=$frames
        [ "$kind" != stream ] || n=600
        read -r m1 a1 s1 _ < <(count "$arch" "$kind" "$n")
        awk -v k="$kind" -v m="$((m1 - m0))" -v a="$((a1 - a0))" -v s="$((s1 - s0))" \
            -v z="$((z0 - m0))" -v n="$n" 'BEGIN {
            printf "  %-8s %10.0f %10.0f %6.2f %% %+8.0f\n", k, m / n, a / n, m ? 100 * s / m : 0, z / n}'
    done
done
