#!/usr/bin/env bash
# CI for the unit's CPUs: armhf (the panel's own) and arm64 build, and their
# suites run under qemu-user; then each one's Debian package is built and
# linted. Each step says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/cross.sh armhf
bash scripts/cross.sh arm64
bash scripts/package.sh --arch armhf
bash scripts/package.sh --arch arm64
