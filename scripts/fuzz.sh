#!/usr/bin/env bash
# Builds every libFuzzer target and runs each for the given number of seconds
# (default 60) from a copy of its seed corpus. Leaks and crashes fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash scripts/deps.sh --ci
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRISVEL_BUILD_FUZZ=ON -DBRISVEL_BUILD_TESTS=OFF -DBRISVEL_BUILD_BENCH=OFF \
    -DBRISVEL_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build build-fuzz -j"$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "$work/$name"
    [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/$name/"
    echo "fuzzing $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/" "$work/$name" >"$work/$name.log" 2>&1 ||
        { tail -n 40 "$work/$name.log"; exit 1; }
    grep -E '^Done [0-9]+ runs' "$work/$name.log" || true
done
