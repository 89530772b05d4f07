#!/usr/bin/env bash
# CI for the unit's CPUs: armhf (the panel's own) builds and its suite runs
# under qemu-user; arm64 builds and runs its suite too. Each step says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/cross.sh armhf
bash scripts/cross.sh arm64
