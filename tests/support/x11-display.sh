#!/usr/bin/env bash
# Runs a command on a display of its own, as on a unit whose panel the app
# shares with the peer: Xvfb at the panel's size, reached through Unix sockets
# only, with openbox managing the windows. Both stop when the command ends, and
# the command's status is the script's. Exits 77 (skipped, for ctest) where
# they are not installed. It makes no files itself; only a SIGKILL (a ctest
# time-out) can leave Xvfb's lock and socket in /tmp behind.
set -u
for tool in Xvfb openbox; do
    command -v "$tool" >/dev/null ||
        { echo "x11-display: no $tool (bash scripts/deps.sh installs it); skipped"; exit 77; }
done
pids=()
stop() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        wait "${pids[i]}" 2>/dev/null
    done
}
trap stop EXIT
trap 'exit 143' INT TERM

# The server takes the first free display number and says which.
exec {xvfb}< <(exec Xvfb -displayfd 1 -nolisten tcp -screen 0 472x266x24 2>/dev/null)
pids+=($!)
read -r -t 10 -u "$xvfb" display || { echo "x11-display: Xvfb did not start"; exit 1; }
export DISPLAY=:$display
# --startup runs once openbox manages the screen.
exec {wm}< <(exec openbox --sm-disable --startup 'echo managing' 2>/dev/null)
pids+=($!)
read -r -t 10 -u "$wm" _ || { echo "x11-display: openbox did not start"; exit 1; }

# In the background, so a TERM stops the command at once rather than after it.
"$@" &
pids+=($!)
wait $!
