#!/usr/bin/env bash
# Builds the Debian package and its -dbgsym beside it for this machine's
# architecture and checks them: lintian reports no errors, the unit scores at
# most 2.0 in systemd-analyze security (and so with each platform drop-in),
# the unit file passes systemd-analyze verify, and
# the installed app, fed by the installed unit-sim on loopback and a temporary
# bus directory, sends a heartbeat and a log record and stops cleanly (exit 0)
# on SIGTERM. The package is removed again at the end.
#   bash scripts/package.sh                 build, check, remove
#   bash scripts/package.sh --build         build and lint only (build-deb/*.deb)
#   bash scripts/package.sh --arch armhf    build for the unit (build-deb-armhf/*.deb) and
#                                           lint it; needs the sysroot of scripts/cross.sh
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
native=$(dpkg --print-architecture)
arch=$native
build_only=0
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build_only=1 ;;
        --arch) arch=${2:?--arch needs armhf or arm64}; shift ;;
        *) echo "usage: scripts/package.sh [--build] [--arch armhf|arm64]" >&2; exit 2 ;;
    esac
    shift
done
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

bash scripts/deps.sh
missing=()
for p in lintian systemd dpkg-dev file; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || true
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

start=$(date +%s)
preset=deb
if [ "$arch" != "$native" ]; then
    case "$arch" in
        armhf) triplet=arm-linux-gnueabihf ;;
        arm64) triplet=aarch64-linux-gnu ;;
        *) echo "package: no toolchain for $arch" >&2; exit 2 ;;
    esac
    sysroot=$top/sysroot/$arch
    [ -f "$sysroot/shlibs.local" ] || { echo "package: run scripts/cross.sh $arch first" >&2; exit 1; }
    preset=deb-$arch
    build_only=1
    # dpkg-shlibdeps knows only this machine's package database: the target's
    # libraries and their shlibs entries come from the sysroot instead.
    mkdir -p "build-$preset/shlibdeps"
    cat >"build-$preset/shlibdeps/dpkg-shlibdeps" <<WRAP
#!/bin/sh
OBJDUMP=$triplet-objdump exec /usr/bin/dpkg-shlibdeps -L$sysroot/shlibs.local \
    -l$sysroot/usr/lib/$triplet -l$sysroot/lib/$triplet "\$@"
WRAP
    chmod +x "build-$preset/shlibdeps/dpkg-shlibdeps"
    export PATH="$top/build-$preset/shlibdeps:$PATH"
fi
build=build-$preset
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
rm -f "$build"/brisvel-visualiser_*.deb "$build"/brisvel-visualiser-dbgsym_*
(cd "$build" && cpack -G DEB >/dev/null)
# CPack's symbols package is named .ddeb, lists its files in md5sums by their
# build path and has no documentation: repacked as Debian's own -dbgsym
# packages are, a .deb whose doc directory links to the package's.
for ddeb in "$build"/brisvel-visualiser-dbgsym_*.ddeb; do
    tree=$(mktemp -d)
    dpkg-deb -R "$ddeb" "$tree"
    chmod 0644 "$tree"/usr/lib/debug/.build-id/*/*.debug
    mkdir -p "$tree/usr/share/doc"
    ln -s brisvel-visualiser "$tree/usr/share/doc/brisvel-visualiser-dbgsym"
    (cd "$tree" && find usr -type f -exec md5sum {} + >DEBIAN/md5sums)
    dpkg-deb --root-owner-group -b "$tree" "${ddeb%.ddeb}.deb" >/dev/null
    rm -rf "$tree" "$ddeb"
done
deb=$(ls "$top/$build"/brisvel-visualiser_*_"$arch".deb)
echo "package: built $deb in $(($(date +%s) - start)) s"
dpkg-deb --info "$deb" | sed -n 's/^ Depends:/package: depends:/p'

dbgsym=$(ls "$top/$build"/brisvel-visualiser-dbgsym_*_"$arch".deb)
echo "package: debug symbols in $dbgsym"

start=$(date +%s)
lintian --fail-on error --suppress-tags binary-without-manpage "$deb" "$dbgsym"
echo "package: lintian reports no errors"

# The sandbox: the shipped unit scores at most 2.0 in systemd's exposure
# assessment, and so does each platform drop-in over it (DEPLOY.md lists them).
sandbox=$(mktemp -d /tmp/brisvel-sandbox.XXXXXX)
dropins=$sandbox/etc/systemd/system/brisvel-visualiser.service.d
mkdir -p "$sandbox/usr/lib/systemd/system" "$dropins"
cp "$build/brisvel-visualiser.service" "$sandbox/usr/lib/systemd/system/"
for platform in "" eglfs linuxfb xcb; do
    rm -f "$dropins"/*
    [ -z "$platform" ] || cp "packaging/dropins/$platform.conf" "$dropins/"
    exposure=$(systemd-analyze security --offline=yes --root="$sandbox" --threshold=20 \
        brisvel-visualiser.service 2>&1) || { echo "$exposure"; rm -rf "$sandbox"; exit 1; }
    echo "package: exposure, ${platform:-shipped unit}${platform:+ drop-in}: ${exposure##*: }"
done
rm -rf "$sandbox"
# Only this machine's own package is installed and run.
[ "$build_only" = 1 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
work=$(mktemp -d /tmp/brisvel-package.XXXXXX)
cleanup() {
    for pid in ${pids:-}; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    apt-get purge -y -qq brisvel-visualiser >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

unit=/usr/lib/systemd/system/brisvel-visualiser.service
systemd-analyze verify "$unit"
echo "package: systemd-analyze verify $unit passed"

# The installed files, run as the service would run them (its working
# directory, its environment file), but on loopback and a temporary bus.
mkdir -p "$work/mq"
cat >"$work/run.sh" <<'RUN'
set -eu
set -a
. /etc/default/brisvel-visualiser
set +a
export QT_QPA_PLATFORM=offscreen BRISVEL_MQ_DIR="$1/mq" BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
/usr/bin/unit-sim logsink >"$1/logsink.txt" 2>&1 &
sink=$!
/usr/bin/unit-sim hbmon >"$1/hbmon.txt" 2>&1 </dev/null &
mon=$!
sleep 0.5
cd /usr/share/brisvel-visualiser
/usr/bin/brisvel-visualiser >"$1/app.txt" 2>&1 &
app=$!
for _ in $(seq 100); do
    grep -q " HbProc " "$1/hbmon.txt" && grep -q " log level " "$1/logsink.txt" && break
    sleep 0.1
done
kill -TERM "$app"
status=0
wait "$app" || status=$?
kill "$sink" "$mon" 2>/dev/null || true
exit "$status"
RUN
status=0
bash scripts/isolated.sh bash "$work/run.sh" "$work" || status=$?
grep -m1 " HbProc " "$work/hbmon.txt" | sed 's/^/package: heartbeat: /' || { echo "package: no heartbeat"; exit 1; }
grep -m1 " log level " "$work/logsink.txt" | sed 's/^/package: log record: /' || { echo "package: no log record"; exit 1; }
if [ "$status" != 0 ] || ! grep -q "Bye :)" "$work/app.txt"; then
    echo "package: the app did not stop cleanly on SIGTERM (exit $status):"
    cat "$work/app.txt"
    exit 1
fi
echo "package: SIGTERM -> exit 0"

apt-get purge -y -qq brisvel-visualiser >/dev/null
trap - EXIT
rm -rf "$work"
if [ -e /usr/bin/brisvel-visualiser ] || [ -e /etc/default/brisvel-visualiser ]; then
    echo "package: files left after removal"
    exit 1
fi
echo "package: removed; check took $(($(date +%s) - start)) s"
