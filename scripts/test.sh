#!/usr/bin/env bash
# Builds the project and runs the test suite (the dev preset). With --sanitize
# the asan preset: clang with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=dev
if [ "${1:-}" = "--sanitize" ]; then
    bash scripts/deps.sh --ci
    preset=asan
else
    bash scripts/deps.sh
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
# A private network namespace: the fixed ports are ours alone.
bash scripts/isolated.sh ctest --preset "$preset" -j"$(nproc)"
