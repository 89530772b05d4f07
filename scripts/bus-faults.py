#!/usr/bin/python3
"""Hostile bus peers against the running visualiser, by hand, with figures.

The script is the peer front panel (a PUB on the peer socket) and the decoder
board (a PUB on 127.0.0.1:2004); unit-sim's heartbeat monitor and logger sink
stand beside the app (offscreen, a temporary bus directory). The peer sends a
command every 100 ms, a topic the app answers with a console line
("Unhandled topic: SwitchXN"), so each command's time to act is seen; the
app's RSS is read every 100 ms. Run it in a private network namespace
(scripts/isolated.sh): the decoder port is fixed.

    bash scripts/isolated.sh /usr/bin/python3 scripts/bus-faults.py APP UNIT_SIM MODE

bomb-peer:  one message of 1,000,000 one-byte frames on the peer socket
bomb-ed2:   the same on the decoder link
endless:    a decoder board that sends frames with "more" set and never ends
            its message, for 30 s, taking every new link as it comes

Needs Debian's python3-zmq (scripts/deps.sh --run).
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

import zmq

ED2_TOPIC = b"DolbyPersonalizationDataEvent"
BOMB_FRAMES = int(os.environ.get("BOMB_FRAMES", 1_000_000))


class Lines:
    """A child's standard output, each line with the time it was read."""

    def __init__(self, stream):
        self.lines = []
        threading.Thread(target=self.read, args=(stream,), daemon=True).start()

    def read(self, stream):
        for line in stream:
            self.lines.append((time.monotonic(), line.rstrip("\n")))


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


class Endless:
    """A bus speaker at the decoder port whose message never ends: the
    protocol's greeting and READY as a publisher, then one topic frame and
    one-byte frames with "more" set, on every link it is given."""

    GREETING = b"\xff" + b"\0" * 8 + b"\x7f" + bytes([3, 0]) + b"NULL".ljust(20, b"\0") + b"\0" * 32
    READY = b"\x05READY" + b"\x0bSocket-Type" + (3).to_bytes(4, "big") + b"PUB"

    def __init__(self, seconds):
        self.until = time.monotonic() + seconds
        self.links = 0
        self.sent = 0
        self.listener = socket.create_server(("127.0.0.1", 2004), reuse_port=True)
        self.listener.settimeout(0.1)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while time.monotonic() < self.until:
            try:
                link, _ = self.listener.accept()
            except socket.timeout:
                continue
            self.links += 1
            threading.Thread(target=self.speak, args=(link,), daemon=True).start()
        self.listener.close()

    def speak(self, link):
        chunk = b"\x01\x01x" * 4096
        try:
            link.sendall(self.GREETING + bytes([0x04, len(self.READY)]) + self.READY)
            link.sendall(bytes([0x01, len(ED2_TOPIC)]) + ED2_TOPIC)
            while time.monotonic() < self.until:
                link.sendall(chunk)
                self.sent += len(chunk)
        except OSError:
            pass
        link.close()


class Run:
    def __init__(self, app, sim, work):
        self.mq = f"{work}/mq"
        os.makedirs(self.mq)
        self.env = dict(os.environ, BRISVEL_MQ_DIR=self.mq, BRISVEL_DECODER_ADDR="127.0.0.1",
                        BRISVEL_UNIT_ADDR="127.0.0.1", QT_QPA_PLATFORM="offscreen",
                        RUNTIME_DIRECTORY=f"{work}/shots")
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
        self.sink = subprocess.Popen([sim, "logsink"], env=self.env, **quiet)
        self.hbmon = subprocess.Popen([sim, "hbmon"], env=self.env, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      text=True)
        self.beats = Lines(self.hbmon.stdout)
        self.context = zmq.Context()
        self.peer = self.context.socket(zmq.PUB)
        self.peer.setsockopt(zmq.SNDHWM, 0)
        self.peer.bind(f"ipc://{self.mq}/DoRiduyPub.ipc")
        self.board = None
        self.lock = threading.Lock()
        self.sent = {}
        self.next = 0
        self.app = subprocess.Popen([app], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.out = Lines(self.app.stdout)
        self.rss = []
        threading.Thread(target=self.sample, daemon=True).start()
        time.sleep(3)

    def sample(self):
        while self.app.poll() is None:
            try:
                self.rss.append((time.monotonic(), rss_mb(self.app.pid)))
            except OSError:
                return
            time.sleep(0.1)

    def bind_board(self):
        self.board = self.context.socket(zmq.PUB)
        self.board.setsockopt(zmq.SNDHWM, 0)
        self.board.bind("tcp://127.0.0.1:2004")

    def command(self):
        with self.lock:
            self.next += 1
            self.sent[self.next] = time.monotonic()
            self.peer.send_multipart([f"SwitchX{self.next}".encode(), b"{}"])

    def bomb(self, socket_):
        with self.lock:
            socket_.send(b"Switch" if socket_ is self.peer else ED2_TOPIC, zmq.SNDMORE)
            for _ in range(BOMB_FRAMES - 2):
                socket_.send(b"x", zmq.SNDMORE)
            socket_.send(b"x")

    def commands_for(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.command()
            time.sleep(0.1)

    def latencies(self, since):
        acted = {}
        for at, line in list(self.out.lines):
            m = re.search(r"Unhandled topic: SwitchX(\d+)$", line)
            if m:
                acted.setdefault(int(m.group(1)), at)
        return [(acted[n] - t) * 1000 if n in acted else None
                for n, t in sorted(self.sent.items()) if t >= since]

    def beat_gaps(self, since):
        times = [at for at, line in self.beats.lines if "HbProc" in line and at >= since]
        return [(b - a) * 1000 for a, b in zip(times, times[1:])]

    def rss_between(self, start, end):
        return [mb for at, mb in self.rss if start <= at <= end]

    def finish(self):
        self.app.send_signal(signal.SIGTERM)
        code = self.app.wait(10)
        for p in (self.hbmon, self.sink):
            p.send_signal(signal.SIGINT)
            p.wait(5)
        self.context.destroy(linger=0)
        return code


def said(run, since, pattern):
    return [line for at, line in run.out.lines if at >= since and re.search(pattern, line)]


def main():
    app, sim, mode = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as work:
        run = Run(app, sim, work)
        before = run.rss[-1][1]
        start = time.monotonic()
        endless = None
        if mode.startswith("bomb"):
            if mode == "bomb-ed2":
                run.bind_board()
                time.sleep(2.5)  # the app's link to the board is made
            start = time.monotonic()
            target = run.peer if mode == "bomb-peer" else run.board
            threading.Thread(target=run.bomb, args=(target,), daemon=True).start()
            run.commands_for(12)
            window = 10
        elif mode == "quiet":
            run.commands_for(5)
            window = 5
        elif mode == "endless":
            endless = Endless(30)
            run.commands_for(31)
            window = 30
        else:
            sys.exit(f"unknown mode {mode}")
        time.sleep(10 if mode == "endless" else 0.5)
        acted = run.latencies(start)
        gaps = run.beat_gaps(start)
        during = run.rss_between(start, start + window)
        after = run.rss[-1][1]
        lines = said(run, start, r"dropped|without a whole message")
        code = run.finish()
        ok = [ms for ms in acted if ms is not None]
        if os.environ.get("VERBOSE"):
            print("\n".join(line for _, line in run.out.lines[:40]))
        print(f"{mode}: commands {len(acted)}, acted {len(ok)}, slowest {max(ok):.1f} ms, "
              f"median {sorted(ok)[len(ok) // 2]:.1f} ms")
        print(f"{mode}: heartbeat gaps {min(gaps):.0f} to {max(gaps):.0f} ms")
        print(f"{mode}: RSS before {before:.1f} MB, highest {max(during):.1f} MB during "
              f"{window} s, {after:.1f} MB at the end ({after - before:+.1f} MB)")
        if endless:
            print(f"endless: {endless.links} links taken, {endless.sent / 1e6:.0f} MB sent")
        print(f"{mode}: {len(lines)} console line(s) about it; first: {lines[:1]}")
        print(f"{mode}: app exit {code}")


if __name__ == "__main__":
    main()
