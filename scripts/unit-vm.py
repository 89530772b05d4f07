#!/usr/bin/env python3
"""Drives the emulated unit that scripts/unit-vm.sh booted: a root shell on
its serial console, its panel read with QMP screendump. Each step prints what
it saw; the first that fails ends the run with exit 1.

The decoder board in the image sends one fixed scene: presentation 0 "Main",
beds L and LFE, objects at (0, 1, 0) and (1, -1, 1). Where its markers fall on
the 472 x 266 panel is worked from the room's geometry: at scale z the 415 x 234
plane sits at ((472 - 415z) / 2, (266 - 234z) / 2) and a unit of x or y spans
207.5z or 117z pixels from its -1 edge; a marker's side is 32z.
"""
import argparse
import json
import os
import re
import socket
import struct
import sys
import threading
import time
import zlib

UNIT = "brisvel-visualiser.service"
BED = (127, 0, 255)
OBJECT = (255, 0, 0)
# (centre, side, colour, round) per marker: objects, then beds.
VIEWS = {
    "top": [((236, 51.1), 22.4, OBJECT, True), ((443.5, 250), 32, OBJECT, True),
            ((94.9, 53.44), 21.76, BED, False), ((217.66, 53.44), 21.76, BED, False)],
    "front": [((236, 191.5), 16, OBJECT, True), ((443.5, 16), 32, OBJECT, True),
              ((132.25, 191.5), 16, BED, False), ((222.51, 191.5), 16, BED, False)],
}
KERNEL_LINE = re.compile(r"^\[ *\d+\.\d+\] ")
SIM_ENV = "BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1"


def say(text):
    print(f"unit-vm: {text}", flush=True)


def fail(text):
    say(f"FAILED: {text}")
    sys.exit(1)


class Serial:
    """The guest's root shell. Each command ends with a marker line carrying its exit status."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.buf = b""
        self.lock = threading.Lock()
        self.count = 0
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        while True:
            data = self.sock.recv(65536)
            if not data:
                return
            with self.lock:
                self.buf += data

    def send(self, text):
        self.sock.sendall(text.encode())

    def wait(self, pattern, timeout):
        """Waits for a regular expression in what came since the last wait; the match."""
        end = time.monotonic() + timeout
        regex = re.compile(pattern.encode())
        while time.monotonic() < end:
            with self.lock:
                found = regex.search(self.buf)
                if found:
                    self.buf = self.buf[found.end():]
                    return found
            time.sleep(0.05)
        return None

    def run(self, command, timeout=60, check=True):
        """Runs a shell command; its output (text) and exit status."""
        self.count += 1
        mark = f"@@{self.count}@@"
        self.send(f"{command}; echo \"{mark[:2]}\"\"{mark[2:]}$?\"\n")
        found = self.wait(re.escape(mark) + r"(\d+)\r?\n", timeout)
        if not found:
            fail(f"no answer in {timeout} s to: {command}")
        out = found.string[:found.start()].decode(errors="replace").replace("\r", "")
        # What came before the marker: the echoed command (if any) and the output.
        out = out.split("\n", 1)[1] if out.startswith(command[:20]) else out
        # Kernel messages come to this console too, between any two lines.
        out = "\n".join(line for line in out.split("\n") if not KERNEL_LINE.match(line))
        status = int(found.group(1))
        if check and status != 0:
            fail(f"exit status {status} from: {command}\n{out}")
        return out.strip(), status

    def wait_for(self, command, timeout, period=0.5):
        """Runs command until it succeeds; the seconds taken, or None."""
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            if self.run(command, check=False)[1] == 0:
                return time.monotonic() - start
            time.sleep(period)
        return None


class Qmp:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.file = self.sock.makefile("rwb")
        self.file.readline()  # greeting
        self.call("qmp_capabilities")

    def call(self, command, **arguments):
        self.file.write(json.dumps({"execute": command, "arguments": arguments}).encode() + b"\n")
        self.file.flush()
        while True:
            reply = json.loads(self.file.readline())
            if "return" in reply or "error" in reply:
                return reply

    def screendump(self, path):
        """The panel as (width, height, RGB bytes), also written to path (PPM)."""
        reply = self.call("screendump", filename=path)
        if "error" in reply:
            return None
        with open(path, "rb") as f:
            data = f.read()
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        if not header:
            return None
        width, height = int(header.group(1)), int(header.group(2))
        return width, height, data[header.end():header.end() + width * height * 3]


def pixel(shot, x, y):
    width, height, rgb = shot
    x, y = int(x), int(y)
    if not (0 <= x < width and 0 <= y < height):
        return None
    i = (y * width + x) * 3
    return tuple(rgb[i:i + 3])


def near(a, b, tolerance=12):
    return a is not None and all(abs(p - q) <= tolerance for p, q in zip(a, b))


def view_shown(shot, view):
    """Whether every marker of the view shows its colour where the geometry puts it,
    sampled clear of its label: a square near its corner, a circle above its middle."""
    if not shot or shot[:2] != (472, 266):
        return False
    for (cx, cy), side, colour, round_ in VIEWS[view]:
        dx = 0 if round_ else -0.35 * side
        if not near(pixel(shot, cx + dx, cy - 0.35 * side), colour):
            return False
    return True


def differing(a, b):
    return sum(1 for i in range(0, len(a[2]), 3) if a[2][i:i + 3] != b[2][i:i + 3])


def write_png(shot, path):
    width, height, rgb = shot
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


class Unit:
    def __init__(self, args):
        self.args = args
        self.work = args.work
        self.started = time.monotonic()
        for _ in range(100):
            if os.path.exists(f"{self.work}/serial.sock") and os.path.exists(f"{self.work}/qmp.sock"):
                break
            time.sleep(0.1)
        self.serial = Serial(f"{self.work}/serial.sock")  # qemu logs the console itself
        self.qmp = Qmp(f"{self.work}/qmp.sock")
        os.makedirs(args.shots, exist_ok=True)

    def shot(self):
        return self.qmp.screendump(f"{self.work}/shot.ppm")

    def keep(self, shot, name):
        write_png(shot, f"{self.args.shots}/{name}.png")

    def prop(self, name):
        return self.serial.run(f"systemctl show -P {name} {UNIT}")[0]

    def wait_view(self, view, timeout):
        """Seconds until the panel shows the view, and the picture; (None, last) if it did not."""
        start = time.monotonic()
        shot = None
        while time.monotonic() - start < timeout:
            shot = self.shot()
            if view_shown(shot, view):
                return time.monotonic() - start, shot
            time.sleep(0.2)
        return None, shot

    def boot(self):
        if not self.serial.wait(r"root@unit:~# ", 600):
            fail("no shell on the serial console in 600 s")
        say(f"root shell on the serial console {time.monotonic() - self.started:.1f} s after qemu started")
        self.serial.send("stty -echo cols 400; export TERM=dumb SYSTEMD_PAGER= SYSTEMD_COLORS=0 PS1= PS2=\n")
        time.sleep(1)
        self.serial.run("true")
        self.serial.run(f"export {SIM_ENV}")

    def first_frame(self):
        """The guest's uptime by which the room was drawn, beds and objects in place."""
        took, shot = self.wait_view("top", 120)
        if took is None:
            if shot:
                self.keep(shot, "no-room")
            fail("the room's beds and objects are not where the geometry puts them (no-room.png)")
        self.keep(shot, "top")
        return float(self.serial.run("cut -d' ' -f1 /proc/uptime")[0])

    def ready(self, drawn):
        if self.serial.wait_for(f"systemctl is-active -q {UNIT}", 60) is None:
            fail(f"not active: {self.prop('ActiveState')}/{self.prop('SubState')}")
        start = int(self.prop("ExecMainStartTimestampMonotonic")) / 1e6
        active = int(self.prop("ActiveEnterTimestampMonotonic")) / 1e6
        room = f"the room in top view, beds and objects in place, by {drawn:.1f} s" if drawn else "not on this panel"
        say(f"{UNIT} started {start:.1f} s after the kernel, active (READY) at {active:.1f} s;"
            f" {room}; restarts {self.prop('NRestarts')}")
        say(f"status: {self.prop('StatusText')}")
        if self.prop("NRestarts") != "0":
            fail("restarted before it drew")
        # What the sandbox used to cause (a font cache, a terminal, /proc/cpuinfo): gone. Qt's
        # word on Mesa's software renderer is true here, the emulated unit having no GPU.
        noise = self.serial.run(f"journalctl -q -o cat -p warning _SYSTEMD_UNIT={UNIT}"
                                " SYSLOG_IDENTIFIER=brisvel-visualiser | grep -v 'software rasterizer'",
                                check=False)[0]
        say(f"the app's lines at warning or above since boot: {noise or 'none'}")
        if noise:
            fail("the app complains at its start")

    def view_switch(self):
        self.serial.run("unit-sim peer view front --settle 2500 --bus-group brisvel-bus >/dev/null 2>&1 & true")
        took, shot = self.wait_view("front", 30)
        if took is None:
            self.keep(shot, "no-front")
            fail("the peer's view switch is not seen (no-front.png)")
        say(f"peer \"view front\": the front view's beds and objects in place {took:.1f} s after the command"
            " was started (2.5 s of it the peer's own wait for subscribers)")
        self.keep(shot, "front")
        self.serial.run("wait")
        return shot

    def console_kept_off(self):
        seconds = 60 if self.args.checks == "full" else 15
        before = self.shot()
        self.serial.run("echo '<2>unit-vm: a kernel message at a high priority' >/dev/kmsg")
        self.serial.run("for i in 1 2 3; do echo 'unit-vm: text for the console' >/dev/tty1; done", check=False)
        worst = 0
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            worst = max(worst, differing(before, self.shot()))
            time.sleep(0.5)
        say(f"a kernel message, text written to tty1 and {seconds} s of the console's cursor:"
            f" at most {worst} pixels changed")
        if worst:
            fail("something else draws on the panel")

    def ends_failed(self, case, status):
        """The unit failed with that exit status, said once at err, not restarted."""
        if self.serial.wait_for(f"[ $(systemctl show -P ActiveState {UNIT}) = failed ]", 120) is None:
            fail(f"{case}: not failed but {self.prop('ActiveState')}")
        time.sleep(5)  # a restart would come 2 s after the failure
        # The app's own lines of this start; systemd adds its "Failed to start".
        lines = self.serial.run(f"journalctl -q -o cat -p err _SYSTEMD_INVOCATION_ID={self.prop('InvocationID')}")[0]
        say(f"{case}: {self.prop('ActiveState')}, exit status {self.prop('ExecMainStatus')},"
            f" restarts {self.prop('NRestarts')}; journalctl -p err: {lines}")
        status_lines = self.serial.run(f"systemctl status --no-pager -n 0 {UNIT} | grep -E 'Active:|Process:|Status:'",
                                       check=False)[0]
        for line in status_lines.splitlines():
            say(f"  {line.strip()}")
        if len(lines.splitlines()) != 1 or self.prop("ExecMainStatus") != status or self.prop("NRestarts") != "0":
            fail(f"{case}: not one line, exit {status} and no restart")

    def display_fault(self):
        dropin = f"/etc/systemd/system/{UNIT}.d/{self.args.platform}.conf"
        self.serial.run(f"systemctl stop {UNIT}; mv {dropin} /root/; systemctl daemon-reload;"
                        f" systemctl reset-failed {UNIT}; systemctl start --no-block {UNIT}")
        self.ends_failed("no display device", "78")
        # Not the last picture: the panel went dark when the app stopped.
        if view_shown(self.shot(), "top"):
            fail("the room is still shown after the app stopped")
        self.serial.run(f"mv /root/{self.args.platform}.conf {dropin}; systemctl daemon-reload;"
                        f" systemctl reset-failed {UNIT}; systemctl start {UNIT}")
        took, _ = self.wait_view("top", 60)
        if took is None:
            fail("the drop-in back: the room is not drawn again")
        say(f"the drop-in back: the room drawn again {took:.1f} s after the start")

    def restart_with(self, name, text):
        """A runtime drop-in NAME with TEXT (None removes it), then a restart."""
        path = f"/run/systemd/system/{UNIT}.d/{name}.conf"
        write = f"printf '{text}' >{path}" if text is not None else f"rm -f {path}"
        self.serial.run(f"mkdir -p /run/systemd/system/{UNIT}.d; {write}; systemctl daemon-reload;"
                        f" systemctl reset-failed {UNIT}; systemctl restart --no-block {UNIT}")

    def no_udev(self):
        """A display device left as the kernel makes it, root's alone, as on a unit without udev."""
        self.serial.run(f"systemctl stop {UNIT}; chown root:root /dev/fb0 /dev/dri/card0;"
                        " chmod 0600 /dev/fb0 /dev/dri/card0")
        self.restart_with("none", None)
        self.ends_failed("display device root's alone (no udev)", "78")
        self.serial.run("udevadm trigger --action=add --subsystem-match=graphics --subsystem-match=drm;"
                        f" udevadm settle; ls -l /dev/fb0 /dev/dri/card0; systemctl start {UNIT}")
        if self.wait_view("top", 60)[0] is None:
            fail("udev's permissions back: the room is not drawn")

    def no_bus(self):
        self.serial.run(f"systemctl stop 'brisvel-sim-*' {UNIT}; rm -rf /run/shm/mq")
        self.restart_with("wait", "[Service]\nEnvironment=BRISVEL_BUS_WAIT=5\n")
        self.ends_failed("no bus directory", "69")
        self.serial.run(f"systemd-tmpfiles --create /etc/tmpfiles.d/brisvel-bus.conf;"
                        f" systemctl start brisvel-sim-ed2 brisvel-sim-logsink brisvel-sim-hbmon brisvel-sim-hwm")
        self.restart_with("wait", None)
        if self.serial.wait_for(f"systemctl is-active -q {UNIT}", 60) is None:
            fail("the bus directory back: not active")

    def status_follows(self):
        """The status line while the app server stops and starts again."""
        def linked():
            return "app server" in next((p for p in self.prop("StatusText").split(";") if p.endswith(" linked")), "")
        self.serial.run("systemctl start brisvel-sim-appserver")
        say(f"status: {self.prop('StatusText')}")
        for action, want in (("stop", False), ("start", True)):
            start = time.monotonic()
            self.serial.run(f"systemctl {action} brisvel-sim-appserver")
            while linked() != want and time.monotonic() - start < 10:
                time.sleep(0.2)
            took = time.monotonic() - start
            say(f"app server {action.replace('stop', 'stopp')}ed: after {took:.1f} s the status says: {self.prop('StatusText')}")
            if linked() != want or took > 2:
                fail("the status line is late")

    def torture(self, seconds=180):
        """The torture's faults against the app on this kernel; the peak RSS seen."""
        out = self.serial.run(f"cd /usr/share/brisvel-visualiser && BRISVEL_APP=/usr/bin/brisvel-visualiser"
                              f" QT_QPA_PLATFORM=offscreen bus-torture --seed 7 --seconds {seconds}"
                              f" --faults exit,kill,oversize,cut,drop,silent,bomb,endless,stop 2>&1 | tail -14; cd",
                              timeout=seconds + 300)[0]
        peak = 0
        for line in out.splitlines():
            say(f"  {line.strip()}")
            m = re.search(r"RSS (\d+) MB before the first.*most in one round \+(\d+) MB at its peak", line)
            if m:
                peak = max(peak, int(m.group(1)) + int(m.group(2)))
        say(f"torture for {seconds} s: peak RSS about {peak} MB (before a round plus its most)")
        return peak

    def limits(self):
        group = "/sys/fs/cgroup/system.slice/brisvel-visualiser.service"
        self.serial.run(f"systemctl restart {UNIT}; sleep 10")
        now = self.serial.run(f"cat {group}/memory.peak {group}/pids.current {group}/memory.max {group}/pids.max")[0]
        say(f"MemoryMax={self.prop('MemoryMax')}, TasksMax={self.prop('TasksMax')}; 10 s after a start, the"
            f" service's memory.peak, pids.current, memory.max, pids.max: {' '.join(now.split())}")
        # Enforced: under a far lower limit the app is killed, and the unit says so.
        self.restart_with("limit", "[Service]\nMemoryMax=3M\n")
        time.sleep(20)
        said = self.serial.run(f"journalctl -q -o cat -u {UNIT} --since=-25s | grep -iE 'oom|memory' | head -3",
                               check=False)[0]
        say(f"MemoryMax=3M: result {self.prop('Result')}, restarts {self.prop('NRestarts')}: {said}")
        self.restart_with("limit", "[Service]\nTasksMax=2\n")
        time.sleep(15)
        said = self.serial.run(f"journalctl -q -o cat -u {UNIT} --since=-15s | grep -vE 'MainWindow|Brisvel:' | tail -4",
                               check=False)[0]
        events = self.serial.run(f"cat {group}/pids.events 2>/dev/null", check=False)[0]
        say(f"TasksMax=2: result {self.prop('Result')}, {events}: {said}")
        self.restart_with("limit", None)
        if self.serial.wait_for(f"systemctl is-active -q {UNIT}", 60) is None:
            fail("the limits back: not active")

    def address_filter(self):
        """A decoder board on the unit's own dummy interface, not loopback: refused by the unit.
        The address (a documentation range, routed nowhere) lives only inside the guest, which
        has no network device: checked first, so a link could never leave the machine."""
        env = "/etc/default/brisvel-visualiser"
        links = self.serial.run("ls /sys/class/net")[0].split()
        if links != ["lo"]:
            fail(f"the unit has network devices besides loopback ({' '.join(links)}): no address check")
        self.serial.run("ip link add unit0 type dummy && ip addr add 192.0.2.1/24 dev unit0 && ip link set unit0 up")
        self.serial.run("BRISVEL_DECODER_ADDR=192.0.2.1 unit-sim ed2 --rate 10 >/dev/null 2>&1 & true")
        self.serial.run(f"systemctl stop brisvel-sim-ed2; sed -i 's/^BRISVEL_DECODER_ADDR=.*/BRISVEL_DECODER_ADDR=192.0.2.1/' {env}")
        self.restart_with("address", None)
        time.sleep(15)
        links = self.serial.run("ss -Htn state established dst 192.0.2.1 | wc -l")[0]
        tried = self.serial.run("ss -Htn state syn-sent dst 192.0.2.1 | wc -l")[0]
        say(f"decoder board at 192.0.2.1 (a dummy interface of the unit): {links} TCP link(s) from the app,"
            f" {tried} waiting for an answer its SYN never gets; status: {self.prop('StatusText')}")
        if links != "0":
            fail("IPAddressDeny= let a link to 192.0.2.1 through")
        self.restart_with("address", "[Service]\nIPAddressAllow=192.0.2.1\n")
        time.sleep(15)
        links = self.serial.run("ss -Htn state established dst 192.0.2.1 | wc -l")[0]
        say(f"with IPAddressAllow=192.0.2.1 added: {links} TCP link(s); status: {self.prop('StatusText')}")
        if links == "0":
            fail("no link even when allowed: the check proves nothing")
        self.serial.run(f"kill %1; wait; ip link del unit0;"
                        f" sed -i 's/^BRISVEL_DECODER_ADDR=.*/BRISVEL_DECODER_ADDR=127.0.0.1/' {env};"
                        " systemctl start brisvel-sim-ed2", check=False)
        self.restart_with("address", None)

    def cores(self):
        """A SIGSEGV and a GUI thread held busy, each a core read back with the debug symbols."""
        shim = "Environment=LD_PRELOAD=/usr/local/lib/libbrisvel-fault-inject.so"
        for fault, extra in (("segv", " BRISVEL_FAULT=segv"), ("busy", "")):
            self.restart_with("fault", f"[Service]\n{shim}{extra}\n")
            if self.serial.wait_for(f"systemctl is-active -q {UNIT}", 60) is None:
                fail(f"{fault}: not active with the fault library")
            pid = self.prop("MainPID")
            start = time.monotonic()
            self.serial.run(f"systemctl kill -s SIGUSR2 --kill-whom=main {UNIT}")
            if self.serial.wait_for(f"coredumpctl -q info {pid} >/dev/null 2>&1", 120, period=2) is None:
                fail(f"{fault}: no core of PID {pid}")
            say(f"{fault}: core of PID {pid} {time.monotonic() - start:.1f} s after SIGUSR2; "
                + self.serial.run(f"journalctl -q -o cat -u {UNIT} --since=-120s | grep -E 'Watchdog timeout|dumped core'"
                                  " | head -2 | tr '\\n' ' '", check=False)[0])
            trace = self.serial.run(f"coredumpctl debug {pid} --debugger-arguments='-batch -ex bt' 2>&1"
                                    " | grep -E '^#[0-9]+ ' | head -20", timeout=600, check=False)[0]
            ours = [line for line in trace.splitlines() if re.search(r" at \.\./(app|bus|messages|visualiser|look|Common)/", line)]
            for line in trace.splitlines()[:3] + ours[:2]:
                say(f"  {line.strip()[:160]}")
            if not ours:
                fail(f"{fault}: no frame in our source")
        self.restart_with("fault", None)

    def exposure(self):
        score = self.serial.run(f"systemd-analyze security {UNIT} | tail -1")[0]
        say(f"systemd-analyze security with the {self.args.platform} drop-in: {score}")

    def purge(self):
        files = self.serial.run("dpkg -L brisvel-visualiser")[0].split()
        self.serial.run("apt-get purge -y -qq brisvel-visualiser >/dev/null 2>&1")
        left = self.serial.run("for f in " + " ".join(files) + "; do [ -d $f ] || [ ! -e $f ] || echo $f; done;"
                               " ls -d /run/brisvel-visualiser /var/cache/brisvel-visualiser"
                               " /etc/default/brisvel-visualiser 2>/dev/null", check=False)[0]
        say(f"purged: left behind: {left or 'nothing'} (the drop-in in /etc is the technician's own)")
        if left:
            fail("files left behind")

    def poweroff(self):
        start = time.monotonic()
        self.serial.send("poweroff\n")
        pid = int(open(f"{self.work}/qemu.pid").read())
        while time.monotonic() - start < 60:
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                say(f"powered off in {time.monotonic() - start:.1f} s")
                return
            time.sleep(0.2)
        fail("the unit did not power off")


CI_STEPS = ["view_switch", "console_kept_off", "display_fault"]
FULL_STEPS = CI_STEPS + ["exposure", "status_follows", "no_udev", "no_bus", "address_filter", "cores",
                         "torture", "limits"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--checks", default="ci")
    parser.add_argument("--steps", default="", help="steps of the full checks to run, comma-separated")
    parser.add_argument("--platform", default="linuxfb")
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    steps = args.steps.split(",") if args.steps else FULL_STEPS if args.checks == "full" else CI_STEPS
    unknown = set(steps) - set(FULL_STEPS)
    if unknown:
        fail(f"no such step: {', '.join(sorted(unknown))}; the steps: {', '.join(FULL_STEPS)}")
    unit = Unit(args)
    unit.boot()
    # On xcb the app draws on an X server of its own, not on the panel read here.
    on_panel = args.platform != "xcb"
    unit.ready(unit.first_frame() if on_panel else None)
    if not on_panel:
        steps = [step for step in steps if step in ("exposure", "status_follows", "no_bus")]
    for step in steps:
        getattr(unit, step)()
    unit.purge()
    unit.poweroff()
    say("all steps passed")


if __name__ == "__main__":
    main()
