#!/usr/bin/env bash
# Cross-builds for the unit's ARM CPUs with the distribution's own tools and
# runs the test suite under qemu-user:  bash scripts/cross.sh armhf|arm64 [--no-test|--sysroot-only]
#
# The compilers are the distribution's cross gcc (crossbuild-essential-<arch>).
# The target's Qt, CZMQ and C library are the distribution's <arch> packages,
# unpacked into sysroot/<arch> rather than installed beside the host's own:
# multiarch would have to hold every shared library at the very version the
# host has, which fails whenever one architecture's index lags the other's,
# and libczmq-dev cannot be co-installed at all. The host's packages are only
# ever added to, never changed.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
mode=${2:-}
case "$arch" in
    armhf) triplet=arm-linux-gnueabihf ;;
    arm64) triplet=aarch64-linux-gnu ;;
    *) echo "usage: scripts/cross.sh armhf|arm64 [--no-test|--sysroot-only]" >&2; exit 2 ;;
esac
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

bash scripts/deps.sh crossbuild-essential-"$arch" qemu-user mmdebstrap

# The target's packages: what the build links against, and what the suite
# needs at run time (platform plugins, a font).
target=(libc6-dev libstdc++-12-dev qt6-base-dev qt6-qpa-plugins libczmq-dev libzmq3-dev libxcb1-dev
        rapidjson-dev libwebp-dev fonts-dejavu-core)
sysroot=sysroot/$arch
stamp="$sysroot/.brisvel-packages"
if [ "$(cat "$stamp" 2>/dev/null)" != "${target[*]} shlibs" ]; then
    rm -rf "$sysroot"
    mkdir -p "$(dirname "$sysroot")" # mmdebstrap resolves the target through its parent
    # The same archives the host's own apt uses.
    uris=$(awk '/^URIs:/ {print $2} $1 == "deb" {print $2}' \
        /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true)
    mirror=$(grep -v -- -security <<<"$uris" | head -n1)
    security_mirror=$(grep -- -security <<<"$uris" | head -n1)
    [ -n "$mirror" ] || { echo "cross: no Debian archive in the host's apt sources" >&2; exit 1; }
    main=("deb $mirror bookworm main" "deb $mirror bookworm-updates main")
    security="deb ${security_mirror:-$mirror} bookworm-security main"
    include=$(IFS=,; echo "${target[*]}")
    # The packages' shlibs entries, for dpkg-shlibdeps when packaging (scripts/package.sh).
    shlibs='for d in "$1"/var/cache/apt/archives/*.deb; do dpkg-deb -I "$d" shlibs 2>/dev/null || true; done >"$1/shlibs.local"'
    # Within the sysroot every package has one architecture, so a security
    # index that fails to download only costs its updates, not the build.
    if ! mmdebstrap --quiet --variant=extract --architectures="$arch" --include="$include" \
        --extract-hook="$shlibs" bookworm "$sysroot" "${main[@]}" "$security"; then
        echo "cross: the $arch security index is not available; sysroot from bookworm and bookworm-updates"
        rm -rf "$sysroot"
        mmdebstrap --quiet --variant=extract --architectures="$arch" --include="$include" \
            --extract-hook="$shlibs" bookworm "$sysroot" "${main[@]}"
    fi
    echo "${target[*]} shlibs" >"$stamp"
fi
# Installing fontconfig-config turns Debian's default hinting on; unpacking
# alone does not, and text would render otherwise than on the unit.
ln -sfn ../../../usr/share/fontconfig/conf.avail/10-hinting-slight.conf \
    "$sysroot/etc/fonts/conf.d/10-hinting-slight.conf"
[ "$mode" != "--sysroot-only" ] || exit 0

start=$(date +%s)
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch"
echo "cross: $arch build took $(($(date +%s) - start)) s"

if [ "$mode" != "--no-test" ]; then
    start=$(date +%s)
    bash scripts/isolated.sh ctest --preset "$arch"
    echo "cross: $arch ctest under qemu took $(($(date +%s) - start)) s"
fi
