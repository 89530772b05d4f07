# Shared by the cost scripts (paint-cost.sh, app-cost.sh, desk-cost.sh); sourced, not run.

# font_config DIR ARCH: a font configuration of the architecture's own in
# DIR/fonts-ARCH.conf, with a cache of its own beside it, filled by the first run.
font_config() {
    mkdir -p "$1/fonts-$2"
    cat >"$1/fonts-$2.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>$1/fonts-$2</cachedir>
  <include>/etc/fonts/fonts.conf</include>
</fontconfig>
EOF
}

# The children a script started, in order; stop_all interrupts them newest first.
pids=()
stop_all() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -INT "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    pids=()
}
