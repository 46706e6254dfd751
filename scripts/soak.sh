#!/usr/bin/env bash
# The transfer soak: 50 downloads and uploads in a row through the main window's commands,
# over pseudo-terminals, against the remote simulator misbehaving at random (none, noise,
# bad checksum, refusal, slow, silent, hang-up, stall). Each outcome is checked against the
# failure rules; at the end open file descriptors, threads and resident memory must be
# back within 5 % of where they started. Takes a few minutes; not part of scripts/test.sh.
#
#   scripts/soak.sh [--transfers N] [--seed S]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/test --target soak_transfer quillet-remote-sim
QT_QPA_PLATFORM=offscreen build/test/bin/soak_transfer --sim build/test/bin/quillet-remote-sim "$@"
