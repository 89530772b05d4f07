#!/usr/bin/env bash
# Installs what building, testing and running need, on Debian 12, as root.
# Only missing packages are installed; a machine that has them all is left alone.
# Usage: deps.sh [--ci|--run] [PACKAGE...]: a set for a purpose, and any more by name.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-qpa-plugins libczmq-dev rapidjson-dev libwebp-dev libxcb1-dev
    fonts-dejavu-core
    xvfb openbox # the window suites' second run: a display and a window manager
    libfaketime faketime # the bus torture steps the app's wall clock back under it
)
case "${1:-}" in
    --ci) packages+=(clang libclang-rt-14-dev libbenchmark-dev clang-format clang-tidy); shift ;;
    # panel-checks.py steps the app's clock back; bus-faults.py speaks to the bus itself.
    --run) packages+=(xauth imagemagick python3-zmq); shift ;;
esac
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq -o DPkg::Lock::Timeout=600 || echo "deps: some package indexes failed to download; going on with the rest"
    # Waits for another apt (a second script, the system's own updates) to finish.
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
fi
