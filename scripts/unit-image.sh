#!/usr/bin/env bash
# mmdebstrap's customize hook for scripts/unit-vm.sh, run on the host:
#   unit-image.sh ROOT ARCH KERNEL_FLAVOUR PLATFORM BOOT_OUT EXTRAS
# Unpacks the kernel into ROOT, makes a small initramfs in BOOT_OUT, and sets
# the root up as a unit is: the bus directory, the package's environment file
# and platform drop-in, the unit's other processes as unit-sim services, a root
# shell on the serial console for the host. Nothing is reachable but loopback.
set -euo pipefail
root=$1 arch=$2 flavour=$3 platform=$4 out=$5 extras=$6
export APT_CONFIG=$MMDEBSTRAP_APT_CONFIG
debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT

# The kernel package and a static busybox, unpacked here: their maintainer
# scripts (the initramfs tools) would run under qemu-user for many minutes.
kernel=$(apt-cache depends "linux-image-$flavour" | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
(cd "$debs" && apt-get download -qq "$kernel" busybox-static)
# Unpacked beside the root, not over it: tar would make its /lib link a directory.
dpkg-deb -x "$debs"/linux-image-*.deb "$debs/kernel"
version=${kernel#linux-image-}
mkdir -p "$root/usr/lib/modules" "$out"
cp -a "$debs/kernel/lib/modules/$version" "$root/usr/lib/modules/"
depmod -b "$root" "$version"
cp "$debs/kernel/boot/vmlinuz-$version" "$out/vmlinuz" # the host boots the kernel itself
initrd=$debs/initrd
mkdir -p "$initrd"/{bin,dev,proc,sys,root,lib/modules}
dpkg-deb --fsys-tarfile "$debs"/busybox-static_*.deb | tar -x -C "$debs" ./bin/busybox
cp "$debs/bin/busybox" "$initrd/bin/busybox"
# The root disk's drivers and their dependencies, in load order.
modules=$root/usr/lib/modules/$version
order=$(awk -v want="virtio_pci virtio_mmio virtio_blk crc32c_generic ext4" '
    { sub(":", "", $1); dep[$1] = $0; n = split($1, p, "/"); name[p[n]] = $1 }
    function load(m,   d, k, i) {
        if (m in done) return
        done[m] = 1
        k = split(dep[m], d, " ")
        for (i = k; i >= 2; --i) load(d[i])
        print m
    }
    END {
        split(want, w, " ")
        for (i in w) { m = w[i] ".ko"; if (m in name) load(name[m]); else if ((m ".xz") in name) load(name[m ".xz"]) }
    }' "$modules/modules.dep")
for m in $order; do
    cp "$modules/$m" "$initrd/lib/modules/"
    echo "${m##*/}" >>"$initrd/lib/modules/order"
done
cat >"$initrd/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /lib/modules/order); do insmod "/lib/modules/$m" 2>/dev/null; done
for i in $(seq 100); do [ -b /dev/vda ] && break; sleep 0.1; done
mount -t ext4 -o rw /dev/vda /root || { echo "initrd: no root disk"; sleep 5; reboot -f; }
umount /proc /sys
mount --move /dev /root/dev
exec switch_root /root /sbin/init
EOF
chmod 0755 "$initrd/init"
(cd "$initrd" && find . | cpio -o -H newc --quiet | gzip -1) >"$out/initrd"

# Tools for the full checks (the torture, the fault library), when given.
for f in "$extras"/*; do
    [ -e "$f" ] || continue
    case "$f" in
        *.so) install -m 0644 "$f" "$root/usr/local/lib/" ;;
        *) install -m 0755 "$f" "$root/usr/local/bin/" ;;
    esac
done

# The unit: its name, an empty root password and a shell on the serial console.
echo unit >"$root/etc/hostname"
sed -i 's/^root:[^:]*:/root::/' "$root/etc/shadow"
getty=$root/etc/systemd/system/serial-getty@ttyAMA0.service.d
mkdir -p "$getty"
cat >"$getty/autologin.conf" <<'EOF'
[Service]
ExecStart=
ExecStart=-/sbin/agetty --autologin root --noclear --keep-baud 115200,38400,9600 %I $TERM
EOF
# The journal kept in memory, as on a unit whose flash is not written to at will.
mkdir -p "$root/etc/systemd/journald.conf.d"
printf '[Journal]\nStorage=volatile\n' >"$root/etc/systemd/journald.conf.d/unit.conf"

# The bus directory, as DEPLOY.md says.
echo "d /run/shm/mq 2770 root brisvel-bus -" >"$root/etc/tmpfiles.d/brisvel-bus.conf"
# The app's settings: the platform and its drop-in; the decoder board and the
# unit on loopback, as everywhere but a real unit.
[ "$platform" = linuxfb ] || # the shipped value is linuxfb's
    sed -i "s/^QT_QPA_PLATFORM=.*/QT_QPA_PLATFORM=$platform/" "$root/etc/default/brisvel-visualiser"
printf 'BRISVEL_DECODER_ADDR=127.0.0.1\nBRISVEL_UNIT_ADDR=127.0.0.1\n' >>"$root/etc/default/brisvel-visualiser"
dropins=$root/etc/systemd/system/brisvel-visualiser.service.d
mkdir -p "$dropins"
cp "$root/usr/share/doc/brisvel-visualiser/examples/$platform.conf" "$dropins/"
if [ "$platform" = xcb ]; then
    # An X server of the unit's own, as the peer front panel would have, and
    # the app ordered after it, as DEPLOY.md says.
    echo "DISPLAY=:0" >>"$root/etc/default/brisvel-visualiser"
    printf '%s\n' "[Unit]" "Description=X server of the panel" "[Service]" \
        "ExecStart=/usr/bin/Xvfb :0 -screen 0 472x266x24 -nolisten tcp" \
        "ExecStartPost=/bin/sh -c 'until [ -S /tmp/.X11-unix/X0 ]; do sleep 0.1; done'" \
        >"$root/etc/systemd/system/unit-x-server.service"
    printf '%s\n' "[Unit]" "Wants=unit-x-server.service" "After=unit-x-server.service" \
        >"$dropins/x-server.conf"
fi
wants=$root/etc/systemd/system/multi-user.target.wants
mkdir -p "$wants"
ln -sf /usr/lib/systemd/system/brisvel-visualiser.service "$wants/"

# The unit's other processes. The decoder board sends the worked scene of the
# checks: beds L and LFE, objects at (0, 1, 0) and (1, -1, 1).
sim() { # NAME ARGS...
    local name=$1
    shift
    cat >"$root/etc/systemd/system/brisvel-sim-$name.service" <<EOF
[Unit]
Description=unit-sim $*
After=systemd-tmpfiles-setup.service
[Service]
Environment=BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
ExecStart=/usr/bin/unit-sim $* --bus-group brisvel-bus
Restart=on-failure
[Install]
WantedBy=multi-user.target
EOF
    ln -sf "/etc/systemd/system/brisvel-sim-$name.service" "$wants/"
}
sim ed2 ed2 --rate 10 --describe "'valid=1 sel=0; P0 name=Main beds=L,LFE objects=0,1,0 1,-1,1'"
sim logsink logsink
sim hbmon hbmon
# A preset sets the room's view when it comes: sent at the start, then hourly.
sim appserver appserver preset --repeat 3600
sim hwm hwm --repeat
