#!/usr/bin/env python3
"""Screenshots and the one-copy check against the running visualiser, by hand.

Starts unit-sim's logger sink, heartbeat monitor and peer beside the app
(offscreen, 127.0.0.1 and a temporary bus directory only). The peer sends a
command every 100 ms, a topic the app reads and answers with a console line
("Unhandled topic: SwitchXN"), so each command's time to act is seen.

    python3 scripts/panel-checks.py build/brisvel-visualiser build/tools/unit-sim burst
    python3 scripts/panel-checks.py build/brisvel-visualiser build/tools/unit-sim clock
    python3 scripts/panel-checks.py build/brisvel-visualiser build/tools/unit-sim remade

burst:  200 SIGUSR1 in one second; commands' time to act, heartbeat gaps,
        pictures written and kept, the newest picture against the last signal.
clock:  the app's wall clock (libfaketime, from scripts/deps.sh --run; the
        monotonic clock untouched) set back
        an hour after four pictures, then ten more: which are kept.
remade: the peers stop, the bus directory is removed and made again, they come
        back; a second copy is started; when the peer's commands act again.
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

# Debian's libfaketime (scripts/deps.sh --run installs it), for any architecture.
FAKETIME = (glob.glob("/usr/lib/*/faketime/libfaketime.so.1") or ["libfaketime.so.1"])[0]


class Lines:
    """A child's standard output, each line with the time it was read."""

    def __init__(self, process):
        self.lines = []
        self.thread = threading.Thread(target=self.read, args=(process.stdout,), daemon=True)
        self.thread.start()

    def read(self, stream):
        for line in stream:
            self.lines.append((time.monotonic(), line.rstrip("\n")))


class Run:
    def __init__(self, app, sim, work, app_env=None):
        self.app, self.sim, self.work = app, sim, work
        self.mq = f"{work}/mq"
        self.shots = f"{work}/shots"
        os.makedirs(self.mq, exist_ok=True)
        self.env = dict(os.environ, BRISVEL_MQ_DIR=self.mq, BRISVEL_DECODER_ADDR="127.0.0.1",
                        BRISVEL_UNIT_ADDR="127.0.0.1", QT_QPA_PLATFORM="offscreen",
                        RUNTIME_DIRECTORY=self.shots)
        self.app_env = dict(self.env, **(app_env or {}))
        self.sent = {}
        self.next = 0
        self.peers()
        self.process = subprocess.Popen([app], env=self.app_env, stdout=subprocess.PIPE, text=True,
                                        stderr=subprocess.DEVNULL)
        self.out = Lines(self.process)
        time.sleep(2)

    def peers(self):
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.sink = subprocess.Popen([self.sim, "logsink"], env=self.env, **quiet)
        self.hbmon = subprocess.Popen([self.sim, "hbmon"], env=self.env, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.beats = Lines(self.hbmon)
        self.peer = subprocess.Popen([self.sim, "peer"], env=self.env, stdin=subprocess.PIPE,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     text=True)
        self.peer_started = time.monotonic()

    def stop_peers(self):
        for p in (self.peer, self.hbmon, self.sink):
            p.send_signal(signal.SIGINT)
        for p in (self.peer, self.hbmon, self.sink):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def command(self):
        self.next += 1
        self.sent[self.next] = time.monotonic()
        self.peer.stdin.write(f"raw SwitchX{self.next} {{}}\n")
        self.peer.stdin.flush()

    def commands_for(self, seconds, during=None):
        """A command every 100 ms for the time; `during` runs beside them."""
        worker = threading.Thread(target=during) if during else None
        if worker:
            worker.start()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.command()
            time.sleep(0.1)
        if worker:
            worker.join()
        time.sleep(1)

    def acted(self):
        """Command number -> the time its line was read."""
        found = {}
        for at, line in self.out.lines:
            m = re.search(r"Unhandled topic: SwitchX(\d+)$", line)
            if m:
                found.setdefault(int(m.group(1)), at)
        return found

    def latencies(self, first=1):
        acted = self.acted()
        return [(n, (acted[n] - self.sent[n]) * 1000 if n in acted else None)
                for n in sorted(self.sent) if n >= first]

    def beat_gaps(self, since):
        times = [at for at, line in self.beats.lines if "HbProc" in line and at >= since]
        return [(b - a) * 1000 for a, b in zip(times, times[1:])]

    def pictures_said(self):
        return [(at, line.split(" to ", 1)[1]) for at, line in self.out.lines
                if line.startswith("Brisvel: Screenshot written to ")]

    def kept(self):
        return sorted(os.path.basename(p) for p in glob.glob(f"{self.shots}/panel-*.png"))

    def finish(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(10)
        self.stop_peers()


def summary(latencies):
    acted = [ms for _, ms in latencies if ms is not None]
    lost = sum(1 for _, ms in latencies if ms is None)
    acted.sort()
    return (f"{len(acted)} acted, {lost} not; median {acted[len(acted) // 2]:.1f} ms, "
            f"max {acted[-1]:.1f} ms" if acted else f"none acted of {len(latencies)}")


def burst(run):
    marks = {}

    def signals():
        time.sleep(1)
        for _ in range(200):
            os.kill(run.process.pid, signal.SIGUSR1)
            time.sleep(0.005)
        marks["last"] = time.monotonic()
        marks["last_wall_ns"] = time.time_ns()

    start = time.monotonic()
    run.commands_for(4, signals)
    said = run.pictures_said()
    print("commands:", summary(run.latencies()))
    print("heartbeat gaps (ms): min %.0f max %.0f" % (min(g := run.beat_gaps(start)), max(g)))
    print(f"pictures written: {len(said)}, kept: {len(run.kept())}")
    newest = os.path.basename(said[-1][1])
    mtime = os.stat(f"{run.shots}/{newest}").st_mtime_ns
    print(f"newest {newest} (kept: {newest in run.kept()}): said {1000 * (said[-1][0] - marks['last']):+.1f} ms after the last "
          f"signal, file time {(mtime - marks['last_wall_ns']) / 1e6:+.1f} ms after it")


def clock(run, step_file):
    for n in range(14):
        if n == 4:
            with open(step_file, "w") as f:
                f.write("-3600\n")
        os.kill(run.process.pid, signal.SIGUSR1)
        time.sleep(0.4)
    said = [os.path.basename(p) for _, p in run.pictures_said()]
    print("written:", " ".join(said))
    print("kept:   ", " ".join(run.kept()))
    print("kept are the ten written after the step:", run.kept() == sorted(said[4:]))


def remade(run):
    run.commands_for(2)
    first = run.next + 1
    run.stop_peers()
    shutil.rmtree(run.mq)
    os.mkdir(run.mq)
    run.peers()
    second = {}

    def start_second():
        p = subprocess.Popen([run.app], env=run.app_env, stdout=subprocess.PIPE, text=True,
                             stderr=subprocess.DEVNULL)
        try:
            second["out"] = p.communicate(timeout=5)[0]
            second["status"] = p.returncode
        except subprocess.TimeoutExpired:
            p.kill()
            second["out"] = p.communicate()[0]
            second["status"] = "none: still running after 5 s, killed"

    run.commands_for(3, start_second)  # from the peer's return on
    said = [line for line in second["out"].splitlines() if "Another copy" in line]
    print(f"second copy: exit {second['status']}; first copy's PID {run.process.pid}")
    print("  " + (said[0] if said else "(no line)"))
    acted = run.acted()
    back = [n for n in sorted(run.sent) if n >= first and n in acted]
    if back:
        n = back[0]
        print(f"peer back: first command acted {1000 * (acted[n] - run.peer_started):.0f} ms after "
              f"the peer started (command {n - first + 1} after its return, "
              f"{1000 * (acted[n] - run.sent[n]):.1f} ms after it was sent)")
    print("after its return:", summary(run.latencies(first)))
    print("first copy running:", run.process.poll() is None)


def main():
    app, sim = (os.path.abspath(p) for p in sys.argv[1:3])
    case = sys.argv[3]
    work = tempfile.mkdtemp(prefix="brisvel-panel.")
    app_env = {}
    step_file = f"{work}/faketime"
    if case == "clock":
        with open(step_file, "w") as f:
            f.write("+0\n")
        app_env = dict(LD_PRELOAD=FAKETIME, FAKETIME_TIMESTAMP_FILE=step_file,
                       FAKETIME_NO_CACHE="1", FAKETIME_DONT_FAKE_MONOTONIC="1")
    run = Run(app, sim, work, app_env)
    try:
        {"burst": burst, "remade": remade}.get(case, lambda r: clock(r, step_file))(run)
    finally:
        run.finish()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
