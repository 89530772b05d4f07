#!/usr/bin/env python3
"""Times the visualiser's service notifications as a service manager sees them.

Starts the app with NOTIFY_SOCKET (a datagram socket of this script's),
WATCHDOG_USEC=2000000 and WATCHDOG_PID set to the app's own PID, beside
unit-sim's logger sink and heartbeat monitor on 127.0.0.1 and a temporary bus
directory. After 6 s a debugger (gdb) attaches and holds the app for 4 s, its
main thread among the held ones; 4 s after that SIGTERM stops it. Prints every message
with its time and the figures: READY after the start, the gaps between pings,
the pings while held, STOPPING and the exit status. Not in CI (needs gdb).

    python3 scripts/notify-timing.py build/brisvel-visualiser build/tools/unit-sim
"""
import os
import select
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def hold(pid, seconds, work, marks):
    """Holds the app in gdb: every thread stops, the GUI thread among them."""
    gdb = subprocess.Popen(["gdb", "-q", "-nx", "-batch", "-p", str(pid),
                            "-ex", f"shell touch {work}/held", "-ex", f"shell sleep {seconds}",
                            "-ex", f"shell touch {work}/released", "-ex", "detach"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while gdb.poll() is None:
        for mark in ("held", "released"):
            if mark not in marks and os.path.exists(f"{work}/{mark}"):
                marks[mark] = time.monotonic()
        time.sleep(0.002)


def main():
    app, sim = (os.path.abspath(p) for p in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="brisvel-notify.")
    env = dict(os.environ, BRISVEL_MQ_DIR=f"{work}/mq", BRISVEL_DECODER_ADDR="127.0.0.1",
               BRISVEL_UNIT_ADDR="127.0.0.1", QT_QPA_PLATFORM="offscreen")
    os.mkdir(f"{work}/mq")
    sims = [subprocess.Popen([sim, role], env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for role in ("logsink", "hbmon")]
    marks = {}
    messages = []
    holder = None
    try:
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        sock.bind(f"{work}/notify")
        env.update(NOTIFY_SOCKET=f"{work}/notify", WATCHDOG_USEC="2000000")
        time.sleep(0.5)
        start = time.monotonic()
        # The shell's PID is the app's once it execs.
        proc = subprocess.Popen(["sh", "-c", 'WATCHDOG_PID=$$ exec "$0"', app], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        stop_sent = None
        while proc.poll() is None:
            now = time.monotonic() - start
            if holder is None and now > 6:
                holder = threading.Thread(target=hold, args=(proc.pid, 4, work, marks))
                holder.start()
            if stop_sent is None and "released" in marks and time.monotonic() - marks["released"] > 4:
                stop_sent = time.monotonic()
                proc.send_signal(signal.SIGTERM)
            if select.select([sock], [], [], 0.05)[0]:
                messages.append((time.monotonic(), sock.recv(4096).decode()))
    finally:
        # An app that quits early must not leave the peers or the sockets behind.
        if holder:
            holder.join()
        for p in sims:
            p.send_signal(signal.SIGTERM)
            p.wait()
        subprocess.run(["rm", "-rf", work])

    def at(t):
        return f"{(t - start) * 1000:8.1f} ms"
    for t, text in messages:
        print(f"{at(t)}  {text.replace(chr(10), ' | ')}")
    pings = [t for t, text in messages if text == "WATCHDOG=1"]
    ready = next(t for t, text in messages if text.startswith("READY=1"))
    held = [t for t in pings if marks["held"] <= t < marks["released"]]
    before = [b - a for a, b in zip(pings, pings[1:]) if b < marks["held"]]
    after = [t for t in pings if t >= marks["released"]]
    across = after[0] - max(t for t in pings if t < marks["held"])
    stopping = [t for t, text in messages if text == "STOPPING=1"]
    print(f"READY after the start: {(ready - start) * 1000:.0f} ms")
    print(f"pings before the hold: {len(before) + 1}, gaps {min(before) * 1000:.1f} to "
          f"{max(before) * 1000:.1f} ms")
    print(f"main thread held for {(marks['released'] - marks['held']) * 1000:.0f} ms: "
          f"{len(held)} pings meanwhile; the next {(after[0] - marks['released']) * 1000:.1f} ms "
          f"after the release, {across * 1000:.0f} ms after the last one before")
    print(f"STOPPING {(stopping[0] - stop_sent) * 1000:.1f} ms after SIGTERM; "
          f"exit status {proc.returncode}")


if __name__ == "__main__":
    main()
