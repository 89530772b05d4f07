#!/usr/bin/env bash
# The unit, emulated whole: a Debian 12 ARM image with the package installed,
# booted under qemu-system (TCG) with a virtio GPU at the panel's 472 x 266 and
# no network device, driven over its serial console and read with QMP
# screendump by scripts/unit-vm.py.
#   bash scripts/unit-vm.sh arm64|armhf [--platform linuxfb|eglfs|xcb] [--checks ci|full] [--keep DIR]
#                           [--steps STEP,...]
# The package for ARCH comes from scripts/package.sh --arch ARCH (built when
# missing). --checks ci: boot, READY, the room, a view switch, a display fault,
# purge. --checks full adds what DEPLOY.md lists for the emulated unit (limits,
# the address filter, cores read with coredumpctl). --keep DIR keeps the image
# and the kernel in DIR and boots from them when they are there already.
# --steps runs only those steps of the checks (scripts/unit-vm.py lists them).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
arch=${1:-}
shift || true
platform=linuxfb
checks=ci
keep=""
steps=""
while [ $# -gt 0 ]; do
    case "$1" in
        --platform) platform=${2:?}; shift ;;
        --checks) checks=${2:?}; shift ;;
        --keep) keep=${2:?}; shift ;;
        --steps) steps=${2:?}; shift ;;
        *) arch="" ;;
    esac
    shift
done
case "$arch" in
    arm64) kernel_flavour=arm64 qemu=qemu-system-aarch64 machine=virt cpu=cortex-a53 ;;
    armhf) kernel_flavour=armmp-lpae qemu=qemu-system-arm machine=virt,highmem=off cpu=cortex-a15 ;;
    *) echo "usage: scripts/unit-vm.sh arm64|armhf [--platform linuxfb|eglfs|xcb] [--checks ci|full]" \
            "[--keep DIR] [--steps STEP,...]" >&2
       exit 2 ;;
esac
say() { echo "unit-vm: $*"; }
now() { date +%s.%N; }
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.1f", a - b }'; }

# mmdebstrap runs the image's maintainer scripts under qemu-user (binfmt_misc,
# arch-test); python3 drives the emulated unit.
bash scripts/deps.sh mmdebstrap qemu-system-arm qemu-system-data qemu-user-static binfmt-support \
    arch-test e2fsprogs cpio kmod python3
[ -e /proc/sys/fs/binfmt_misc/status ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
[ -e "/proc/sys/fs/binfmt_misc/qemu-$([ "$arch" = arm64 ] && echo aarch64 || echo arm)" ] ||
    update-binfmts --enable
deb=$(ls "$top"/build-deb-"$arch"/brisvel-visualiser_*_"$arch".deb 2>/dev/null || true)
if [ -z "$deb" ]; then
    bash scripts/cross.sh "$arch" --sysroot-only
    bash scripts/package.sh --arch "$arch" >/dev/null
    deb=$(ls "$top"/build-deb-"$arch"/brisvel-visualiser_*_"$arch".deb)
fi
dbgsym=$(ls "$top"/build-deb-"$arch"/brisvel-visualiser-dbgsym_*_"$arch".deb)

work=$(mktemp -d /var/tmp/brisvel-unit.XXXXXX)
image=${keep:-$work}
mkdir -p "$image"
cleanup() {
    local status=$?
    # What the unit's console said last, for a run that failed.
    [ "$status" = 0 ] || [ ! -s "$work/serial.log" ] ||
        tail -n 30 "$work/serial.log" | tr -d '\r' | sed 's/^/unit-vm: console: /'
    if [ -s "$work/qemu.pid" ]; then
        kill "$(cat "$work/qemu.pid")" 2>/dev/null || true
        sleep 0.5
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The image. Only the packages' own scripts run emulated: the kernel and a
# small initramfs are unpacked and made here, so no initramfs tool runs
# under qemu-user (that alone took 13 to 20 minutes).
if [ ! -s "$image/disk-$arch-$platform-$checks.img" ]; then
    step=$(now)
    root=$work/root
    uris=$(awk '/^URIs:/ {print $2} $1 == "deb" {print $2}' \
        /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true)
    mirror=$(grep -v -- -security <<<"$uris" | head -n1)
    security_mirror=$(grep -- -security <<<"$uris" | head -n1)
    include=(systemd-sysv udev kmod procps systemd-coredump
             libqt6gui6 libqt6widgets6 qt6-qpa-plugins libqt6opengl6 fonts-dejavu-core
             libgl1-mesa-dri libegl1 libegl-mesa0 libgbm1)
    # gdb brings Python and its byte-compiling, slow emulated: only for the full checks.
    [ "$checks" = ci ] || include+=(gdb iproute2 libqt6test6)
    [ "$platform" != xcb ] || include+=(xvfb)
    # The package files, each its own --include, seen by dpkg inside at the same path (the hook).
    debs=(--include="$deb")
    [ "$checks" = ci ] || debs+=(--include="$dbgsym")
    mkdir -p "$work/boot" "$work/extras"
    if [ "$checks" = full ]; then
        # The torture and the fault library, from the suite's build for ARCH.
        cmake --build --preset "$arch" --target bus-torture brisvel-fault-inject >/dev/null
        cp "build-$arch/tools/bus-torture" "build-$arch/tools/libbrisvel-fault-inject.so" "$work/extras/"
    fi
    mmdebstrap --quiet --variant=apt --architectures="$arch" --include="$(IFS=,; echo "${include[*]}")" \
        "${debs[@]}" --hook-dir=/usr/share/mmdebstrap/hooks/file-mirror-automount \
        --customize-hook="bash $top/scripts/unit-image.sh \"\$1\" $arch $kernel_flavour $platform $work/boot $work/extras" \
        bookworm "$root" "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
        "deb ${security_mirror:-$mirror} bookworm-security main"
    # The empty mount points where the package files were shown to dpkg
    # inside; a directory that a package ships (/tmp, /var/tmp) stays.
    dir=$(dirname "$deb")
    while [ "$dir" != / ] && ! grep -qxF "$dir" "$root"/var/lib/dpkg/info/*.list &&
        rmdir "$root$dir" 2>/dev/null; do
        dir=$(dirname "$dir")
    done
    size=$(( $(du -sm "$root" | cut -f1) + 512 ))
    mke2fs -q -t ext4 -L unit -d "$root" "$image/disk-$arch-$platform-$checks.img" "${size}M"
    cp "$work"/boot/vmlinuz "$image/vmlinuz-$arch"
    cp "$work"/boot/initrd "$image/initrd-$arch"
    rm -rf "$root"
    say "image: $arch, $platform, $(du -sm "$image/disk-$arch-$platform-$checks.img" | cut -f1) MB disk," \
        "initrd $(du -k "$image/initrd-$arch" | cut -f1) KB, made in $(since "$step") s"
fi

# Boot. The disk is a copy so that a kept image stays as it was built.
cp --sparse=always "$image/disk-$arch-$platform-$checks.img" "$work/disk.img"
"$qemu" -M "$machine" -cpu "$cpu" -smp 2 -m 1024 -nodefaults -no-user-config -display none \
    -kernel "$image/vmlinuz-$arch" -initrd "$image/initrd-$arch" \
    -append "root=/dev/vda rw console=tty0 console=ttyAMA0 panic=5" \
    -drive if=none,file="$work/disk.img",format=raw,id=hd0 -device virtio-blk-pci,drive=hd0 \
    -device virtio-gpu-pci,xres=472,yres=266 \
    -chardev socket,id=ser0,path="$work/serial.sock",server=on,wait=off,logfile="$work/serial.log" \
    -serial chardev:ser0 -qmp unix:"$work/qmp.sock",server=on,wait=off \
    -daemonize -pidfile "$work/qemu.pid"
say "booting $qemu -M $machine -cpu $cpu"
python3 scripts/unit-vm.py --work "$work" --checks "$checks" --platform "$platform" \
    --steps "$steps" \
    --shots "${BRISVEL_UNIT_SHOTS:-$top/out/unit-$arch-$platform}"
