#!/usr/bin/env bash
# Builds the project and runs the test suite. With --sanitize the build uses
# clang with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-plain}"
if [ "$mode" = "--sanitize" ]; then
    bash scripts/deps.sh --ci
    build=build-asan
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBRISVEL_WARNINGS_FATAL=ON -DBRISVEL_BUILD_BENCH=OFF -DBRISVEL_SANITIZE=address,undefined >/dev/null
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
    bash scripts/deps.sh
    build=build
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRISVEL_WARNINGS_FATAL=ON \
        -DBRISVEL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
cd "$build"
# A private network namespace: the fixed ports are ours alone.
bash ../scripts/isolated.sh ctest --output-on-failure -j"$(nproc)" --timeout 180
