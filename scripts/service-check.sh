#!/usr/bin/env bash
# The package's service under a real systemd. Boots a Debian 12 container with
# systemd as PID 1 and only loopback (--private-network), installs the amd64
# package, runs unit-sim's logger sink and heartbeat monitor as services on
# 127.0.0.1 and a bus directory set up as docs/DEPLOY.md says, and checks, each
# step printing what it saw: active only after READY; heartbeats and log
# records arrive; /dev/shm is read-only to the app but for the bus directory;
# the status line follows a peer that stops and starts again; journalctl -p
# err lists the error lines, with their priority and no escape bytes; a stop
# exits 0 without a restart, and so does the upgrade command; a SIGSEGV and a
# held GUI thread ("Watchdog timeout") are restarted; no display, no bus
# directory and a start that keeps failing each end the unit failed, said
# once; the sandbox scores the same inside; purge leaves no file behind.
# The container is stopped and removed at the end, pass or fail.
#   bash scripts/service-check.sh          package from scripts/package.sh --build
#   bash scripts/service-check.sh DEB      that package
# BRISVEL_CHECK_BASE=DIR starts from a copy of a root that mmdebstrap made as
# below, instead of making one (about 45 s to 3 min).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
unit=brisvel-visualiser.service
mq=/run/brisvel-check/mq
say() { echo "service-check: $*"; }
fail() {
    say "FAILED: $*"
    [ -z "$pid" ] || journal -o short-monotonic -n 40 | sed 's/^/service-check:   /'
    exit 1
}
now() { date +%s.%N; }
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.1f", a - b }'; }

bash scripts/deps.sh systemd-container mmdebstrap procps
if [ $# -gt 0 ]; then
    deb=$(realpath "$1")
else
    bash scripts/package.sh --build >/dev/null
    deb=$(ls "$top"/build-deb/brisvel-visualiser_*_"$(dpkg --print-architecture)".deb)
fi

work=$(mktemp -d /var/tmp/brisvel-service.XXXXXX)
root=$work/root
nspawn=""
pid=""
nspawn_dir_was_there=0
[ -e /run/systemd/nspawn ] && nspawn_dir_was_there=1
cleanup() {
    if [ -n "$nspawn" ] && kill -0 "$nspawn" 2>/dev/null; then
        [ -n "$pid" ] && nsenter -t "$pid" -a systemctl poweroff >/dev/null 2>&1 || true
        for _ in $(seq 100); do kill -0 "$nspawn" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$nspawn" 2>/dev/null && kill -KILL "$nspawn" 2>/dev/null || true
        wait "$nspawn" 2>/dev/null || true
    fi
    rm -rf "$work"
    [ "$nspawn_dir_was_there" = 1 ] || rm -rf /run/systemd/nspawn
}
trap cleanup EXIT
trap 'say "FAILED at line $LINENO: $BASH_COMMAND"' ERR

# Runs a command inside the booted container, with its environment only.
inside() { nsenter -t "$pid" -a env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
# Runs a command in the stopped container.
offline() { systemd-nspawn -q -D "$root" --register=no --keep-unit --pipe "$@"; }
prop() { inside systemctl show -P "$1" "$unit"; }
# Waits up to $2 s for "$1" to hold.
waitfor() {
    local i
    for i in $(seq $(($2 * 10))); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}
journal() { inside journalctl --no-pager -q "$@"; }

step=$(now)
if [ -n "${BRISVEL_CHECK_BASE:-}" ]; then
    cp -a "$BRISVEL_CHECK_BASE" "$root" # a root made as below, kept between runs by hand
else
    mmdebstrap --quiet --variant=minbase --include=systemd,systemd-sysv,dbus,procps \
        bookworm "$root" /etc/apt/sources.list.d/debian.sources
fi
say "container: Debian 12 minbase with systemd in $(since "$step") s ($(du -sm "$root" | cut -f1) MB)"

step=$(now)
offline --bind-ro="$deb:/mnt/$(basename "$deb")" /bin/sh -c "apt-get update -qq &&
    apt-get install -y -qq --no-install-recommends /mnt/$(basename "$deb") >/dev/null 2>&1 && dpkg -L brisvel-visualiser" \
    >"$work/files.txt"
rm "$root/mnt/$(basename "$deb")" # where the package was shown to the container
say "installed $(basename "$deb") in $(since "$step") s: $(grep -c . "$work/files.txt") paths"
offline /usr/bin/id brisvel-visualiser | sed 's/^/service-check: user: /'
offline /usr/bin/brisvel-visualiser --version | sed 's/^/service-check: --version: /'

# The site's settings: loopback, the check's bus directory, no display. The bus
# directory is the unit's as DEPLOY.md says: group brisvel-bus, set-group-ID
# bit, and processes that make sockets in it run with umask 0007 (unit-sim's
# --bus-group). Everything the check adds lives under /run, gone at purge.
cat >"$root/etc/default/brisvel-visualiser" <<EOF
QT_QPA_PLATFORM=offscreen
BRISVEL_MQ_DIR=$mq
BRISVEL_DECODER_ADDR=127.0.0.1
BRISVEL_UNIT_ADDR=127.0.0.1
EOF
setup=$root/etc/brisvel-check
mkdir -p "$setup"
cat >"$setup/tmpfiles.conf" <<EOF
d /run/brisvel-check 0755 root root -
d $mq 2770 root brisvel-bus -
EOF
cat >"$setup/dropin.conf" <<EOF
[Service]
ReadWritePaths=-$mq
EOF
for role in logsink hbmon hbmon-upgrade peer; do
    args=${role/hbmon-upgrade/hbmon --command 100 --after 1500}
    args=${args/peer/peer grid show --settle 0 --repeat 1000000000}
    cat >"$setup/brisvel-sim-$role.service" <<EOF
[Unit]
Description=unit-sim $args
$([ "$role" = hbmon-upgrade ] && echo "Conflicts=brisvel-sim-hbmon.service")
[Service]
Environment=BRISVEL_MQ_DIR=$mq BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1
ExecStart=/usr/bin/unit-sim $args --bus-group brisvel-bus
EOF
done

step=$(now)
setsid systemd-nspawn -D "$root" --boot --register=no --keep-unit --private-network \
    --console=pipe </dev/null >"$work/boot.log" 2>&1 &
nspawn=$!
waitfor '[ "$(cat /proc/$(pgrep -P $nspawn | head -1)/comm 2>/dev/null)" = systemd ]' 20 ||
    fail "no systemd in the container"
pid=$(pgrep -P "$nspawn" | head -1)
waitfor '[ -S /proc/$pid/root/run/systemd/private ]' 20 || fail "systemd in the container does not answer"
state=$(inside systemctl is-system-running --wait || true)
say "booted: systemd PID $pid on the host, system $state after $(since "$step") s"
inside sh -c 'mkdir -p /run/systemd/system/brisvel-visualiser.service.d /run/tmpfiles.d &&
    cp /etc/brisvel-check/dropin.conf /run/systemd/system/brisvel-visualiser.service.d/check.conf &&
    cp /etc/brisvel-check/*.service /run/systemd/system/ &&
    cp /etc/brisvel-check/tmpfiles.conf /run/tmpfiles.d/brisvel-check.conf &&
    rm -r /etc/brisvel-check && systemctl daemon-reload && systemctl enable brisvel-visualiser.service' \
    2>&1 | sed 's/^/service-check: /'
# The shipped bus directory, as the unit's other processes would make it.
inside install -d -m 2770 -g brisvel-bus /dev/shm/mq
say "/run/shm: $(inside readlink /run/shm || echo "not a link")"

# The sandbox: the shipped unit's score on the host (offline) and inside.
exposure() { tail -1 | grep -o '[0-9][0-9.]* [A-Z]*'; }
score_host=$(systemd-analyze security --offline=yes "$root/usr/lib/systemd/system/$unit" | exposure)
score_in=$(inside systemd-analyze security "$unit" | exposure)
say "exposure of $unit: offline on the host $score_host; inside the container $score_in"
[ "$score_host" = "$score_in" ] || fail "the scores differ"

# Started before the bus directory exists: the start waits for it, and the
# unit becomes active only once the app says READY. systemd logs both at its
# debug level, in the order it handles them.
step=$(now)
inside systemd-analyze log-level debug
inside systemctl start --no-block "$unit"
sleep 3
say "3 s after start, no bus directory: $(prop ActiveState)/$(prop SubState)"
[ "$(prop ActiveState)" = activating ] || fail "not waiting for the bus directory"
inside systemd-tmpfiles --create /run/tmpfiles.d/brisvel-check.conf
inside stat -c "service-check: bus directory: %A %U:%G %n" "$mq"
waitfor '[ "$(prop ActiveState)" = active ]' 30 || fail "not active: $(prop ActiveState)/$(prop SubState)"
inside systemd-analyze log-level info
say "active $(since "$step") s after the start; status: $(prop StatusText)"
# The unit's other processes; the app's links connect once their sockets are there.
inside systemctl start brisvel-sim-logsink brisvel-sim-hbmon
journal -o short-monotonic -u "$unit" |
    grep -E "Starting event loop|Got notification message|Changed .* -> |Started brisvel" |
    tee "$work/start.txt" | sed 's/^/service-check:   /'
ready=$(grep -n "Got notification message.*READY=1" "$work/start.txt" | head -1 | cut -d: -f1)
running=$(grep -n "Changed start -> running" "$work/start.txt" | head -1 | cut -d: -f1)
[ -n "$ready" ] && [ -n "$running" ] && [ "$running" -gt "$ready" ] || fail "active before READY"

sims() { journal -o cat SYSLOG_IDENTIFIER=unit-sim; }
waitfor 'sims | grep -q " HbProc "' 10 || fail "no heartbeat: $(sims | tail -5)"
waitfor 'sims | grep -q " log level "' 10 || fail "no log record: $(sims | tail -5)"
inside ls -l "$mq" | sed 's/^/service-check:   /'
sims | grep -m1 " HbProc " | sed 's/^/service-check: heartbeat: /'
sims | grep -m1 " log level " | sed 's/^/service-check: log record: /'

# /dev/shm is the host's: the app may write only in the bus directory there
# (/run/shm/mq is /dev/shm/mq) and in the check's. Seen from its mount namespace.
in_app() { inside nsenter -t "$(prop MainPID)" -m sh -c "$1" 2>&1 || true; }
shm=$(in_app 'touch /dev/shm/probe && echo written')
shm_bus=$(in_app 'touch /dev/shm/mq/probe /run/shm/mq/probe2 && echo written; rm -f /dev/shm/mq/probe*')
check_bus=$(in_app "touch $mq/probe && echo written; rm -f $mq/probe")
say "in the app's mounts: /dev/shm: $shm; /dev/shm/mq (/run/shm/mq): $shm_bus; $mq: $check_bus"
case $shm in *"Read-only file system"*) ;; *) fail "/dev/shm writable" ;; esac
[ "$shm_bus" = written ] && [ "$check_bus" = written ] || fail "bus directory not writable"

# The status line follows a peer that stops and comes back, within 2 s each way.
peer_linked() { prop StatusText | tr ';' '\n' | grep ' linked$' | grep -qw peer; }
say "status, no peer: $(prop StatusText)"
step=$(now)
inside systemctl start brisvel-sim-peer
waitfor peer_linked 5 || fail "the status does not show the peer: $(prop StatusText)"
up=$(since "$step")
say "peer started: after $up s the status says: $(prop StatusText)"
step=$(now)
inside systemctl stop brisvel-sim-peer
waitfor '! peer_linked' 5 || fail "the status still shows the peer: $(prop StatusText)"
down=$(since "$step")
say "peer stopped: after $down s the status says: $(prop StatusText)"
awk -v a="$up" -v b="$down" 'BEGIN { exit !(a <= 2 && b <= 2) }' || fail "the status is late"
inside systemctl status --no-pager -n 0 "$unit" | grep -E "Active:|Status:" | sed 's/^/service-check:   /' || true

# Error lines: a peer "Switch" that is not JSON makes two logger ERROR lines.
inside env BRISVEL_MQ_DIR=$mq BRISVEL_DECODER_ADDR=127.0.0.1 BRISVEL_UNIT_ADDR=127.0.0.1 \
    unit-sim peer raw Switch notjson --settle 1000 --bus-group brisvel-bus >/dev/null
waitfor 'journal -u "$unit" -p err | grep -q "Failed to parse message"' 10 || fail "no error line"
say "journalctl -p err -u $unit:"
journal -o cat -p err -u "$unit" | sed 's/^/service-check:   /'
all=$(journal -o cat -u "$unit" | grep -cE 'ZQT ERROR|KELD_ERROR|\|(ERROR|CRITICAL)\|' || true)
err=$(journal -o cat -p err -u "$unit" | grep -c . || true)
prios=$(journal -o json -p err -u "$unit" | grep -o '"PRIORITY":"[0-9]"' | sort | uniq -c | xargs)
escapes=$(journal -o export -u "$unit" | grep -ac $'\033' || true)
blobs=$(journal -o json -u "$unit" | grep -c '"MESSAGE":\[' || true)
say "error lines in the whole log: $all; listed by -p err: $err ($prios); escape bytes: $escapes; blob messages: $blobs"
say "the app's lines by priority: $(journal -o json _SYSTEMD_UNIT="$unit" SYSLOG_IDENTIFIER=brisvel-visualiser | grep -o '"PRIORITY":"[0-9]"' |
    sort | uniq -c | xargs)"
[ "$all" = "$err" ] && [ "$escapes" = 0 ] && [ "$blobs" = 0 ] || fail "journal lines"

# A clean stop: exit 0, STOPPING, no restart.
inside systemctl stop "$unit"
sleep 3
say "systemctl stop: $(prop ActiveState), result $(prop Result), exit status $(prop ExecMainStatus), restarts $(prop NRestarts)"
[ "$(prop ActiveState)" = inactive ] && [ "$(prop ExecMainStatus)" = 0 ] || fail "stop"

# The upgrade command from the heartbeat monitor ends the app with 0, for good.
inside systemctl start "$unit"
inside systemctl start brisvel-sim-hbmon-upgrade
waitfor '[ "$(prop ActiveState)" = inactive ]' 15 || fail "the upgrade command did not end the app"
sleep 4
say "upgrade command: $(prop ActiveState) 4 s later, result $(prop Result), exit status $(prop ExecMainStatus), restarts $(prop NRestarts)"
[ "$(prop ActiveState)" = inactive ] && [ "$(prop ExecMainStatus)" = 0 ] || fail "upgrade command"
sims | grep -m1 "HbAppCmd" | sed 's/^/service-check:   /'
inside systemctl start brisvel-sim-hbmon

# A crash is restarted.
inside systemctl start "$unit"
before=$(prop NRestarts)
old=$(prop MainPID)
inside systemctl kill -s SIGSEGV --kill-whom=main "$unit"
waitfor '[ "$(prop NRestarts)" -gt "$before" ] && [ "$(prop ActiveState)" = active ]' 20 ||
    fail "not restarted after SIGSEGV"
say "SIGSEGV to PID $old: restarted as PID $(prop MainPID), restarts $before -> $(prop NRestarts)"
journal -o cat -u "$unit" | grep -E "status=11/SEGV|Scheduled restart" | tail -2 | sed 's/^/service-check:   /'

# A GUI thread that stops turning: the pings stop, the watchdog fires and the
# app is restarted. SIGSTOP holds every thread; systemd follows its SIGABRT
# with a SIGCONT, so the held process takes it as a hung one would.
before=$(prop NRestarts)
old=$(prop MainPID)
step=$(now)
inside systemctl kill -s SIGSTOP --kill-whom=main "$unit"
waitfor 'journal -u "$unit" | grep -q "Watchdog timeout"' 30 || fail "no watchdog timeout"
say "main thread held: \"Watchdog timeout\" after $(since "$step") s"
waitfor '[ "$(prop NRestarts)" -gt "$before" ] && [ "$(prop ActiveState)" = active ]' 30 ||
    fail "not restarted after the watchdog"
say "restarted as PID $(prop MainPID) $(since "$step") s after the hold, restarts $before -> $(prop NRestarts)"
journal -o cat -u "$unit" | grep -E "Watchdog timeout|result 'watchdog'" | tail -2 | sed 's/^/service-check:   /'

# A start that cannot succeed: said once at priority err, not restarted, and
# systemctl status says why. $1 names the case, $2 the line, $3 the exit status.
ends_failed() {
    local before err restarts
    before=$(journal -o cat -p err -u "$unit" | grep -c "$2" || true)
    inside systemctl reset-failed "$unit"
    inside systemctl start --no-block "$unit"
    waitfor '[ "$(prop ActiveState)" = failed ]' 20 || fail "$1: not failed: $(prop ActiveState)"
    restarts=$(prop NRestarts)
    sleep 5 # a restart would have come 2 s after the failure
    err=$(journal -o cat -p err -u "$unit" | grep "$2" | tail -n +$((before + 1)))
    say "$1: $(prop ActiveState) 5 s later, result $(prop Result), exit status $(prop ExecMainStatus), restarts $(prop NRestarts)"
    say "$1: journalctl -p err: $err"
    inside systemctl status --no-pager -n 3 "$unit" | grep -vE "^ *(Loaded|Drop-In|Docs|Tasks|Memory|CPU|CGroup):|^ *[/]" |
        sed 's/^/service-check:   /' || true
    [ "$(prop ActiveState)" = failed ] && [ "$(prop ExecMainStatus)" = "$3" ] &&
        [ "$(grep -c . <<<"$err")" = 1 ] && [ "$(prop NRestarts)" = "$restarts" ] || fail "$1"
}
env_file=/etc/default/brisvel-visualiser
inside systemctl stop "$unit"
# The shipped platform, and no drop-in: no frame buffer in the private /dev.
inside sed -i 's/^QT_QPA_PLATFORM=.*/QT_QPA_PLATFORM=linuxfb/' "$env_file"
ends_failed "no display" "No display: platform linuxfb needs /dev/fb0 .*linuxfb.conf" 78
inside sed -i 's/^QT_QPA_PLATFORM=.*/QT_QPA_PLATFORM=offscreen/' "$env_file"
# A bus directory that never comes; the wait shortened for the check.
inside sed -i "s|^BRISVEL_MQ_DIR=.*|BRISVEL_MQ_DIR=$mq-never|" "$env_file"
inside sh -c "printf '[Service]\nEnvironment=BRISVEL_BUS_WAIT=3\n' \
    >/run/systemd/system/$unit.d/wait.conf && systemctl daemon-reload"
ends_failed "no bus directory" "No bus directory: $mq-never is still missing after 3 s" 69
inside sed -i "s|^BRISVEL_MQ_DIR=.*|BRISVEL_MQ_DIR=$mq|" "$env_file"
# Any other failure: restarted, but ten starts in five minutes at most.
inside sh -c "printf '[Service]\nExecStart=\nExecStart=/bin/false\n' \
    >/run/systemd/system/$unit.d/wait.conf && systemctl daemon-reload && systemctl reset-failed $unit"
step=$(now)
inside systemctl start --no-block "$unit"
waitfor '[ "$(prop ActiveState)" = failed ]' 60 || fail "restarted without end: $(prop NRestarts)"
say "a start that always fails: $(prop ActiveState) after $(since "$step") s, restarts $(prop NRestarts)"
journal -o cat -u "$unit" | grep -m1 "Start request repeated too quickly" | sed 's/^/service-check:   /' ||
    fail "not ended by the start limit"
inside rm /run/systemd/system/$unit.d/wait.conf
inside systemctl daemon-reload

# Purge: nothing of the package is left, nor the enable link, nor the runtime
# directory. The user and the bus group stay (DEPLOY.md).
inside systemctl stop brisvel-sim-logsink brisvel-sim-hbmon "$unit"
inside rm -rf /run/systemd/system/brisvel-* /run/tmpfiles.d/brisvel-check.conf /run/brisvel-check
inside systemctl daemon-reload
inside apt-get purge -y -qq brisvel-visualiser >/dev/null 2>&1
left=$(inside find / -xdev \( -name '*brisvel*' -o -name 'unit-sim' \) 2>/dev/null || true)
left+=$(while read -r f; do [ -d "$root$f" ] || [ ! -e "$root$f" ] || echo " $f"; done <"$work/files.txt")
say "purged: left behind: ${left:-nothing}; user kept: $(inside id -un brisvel-visualiser)"
[ -z "$left" ] || fail "files left behind"

step=$(now)
inside systemctl poweroff
waitfor '! kill -0 $nspawn 2>/dev/null' 30 || fail "the container did not stop"
say "container stopped in $(since "$step") s"
say "all steps passed"
