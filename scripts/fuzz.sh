#!/usr/bin/env bash
# Builds every libFuzzer target and runs each for the given number of seconds
# (default 60) from a copy of its seed corpus. Leaks and crashes fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash scripts/deps.sh --ci
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
BRISVEL_FUZZ_SECONDS="$seconds" ctest --preset fuzz -j"$(nproc)"
