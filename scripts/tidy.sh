#!/usr/bin/env bash
# Runs clang-tidy (Debian 12's, 14) with the checks of .clang-tidy over the
# application's sources, from the tidy preset's compile commands. With folder
# names, only their sources and headers: scripts/tidy.sh messages look.
# Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

folders=("$@")
if ((${#folders[@]} == 0)); then
    folders=(app bus messages visualiser look Common)
fi
pattern="$(IFS='|'; echo "${folders[*]}")"

bash scripts/deps.sh --ci
cmake --preset tidy >/dev/null
# The one generated header the sources include.
cmake --build build-tidy --target brisvel_revision >/dev/null
run-clang-tidy-14 -p build-tidy -quiet -j"$(nproc)" -header-filter="/($pattern)/" \
    "^$PWD/($pattern)/" 2>&1 | sed -E '/^clang-tidy-14 |^[0-9]+ warnings? generated\.$/d'
