#!/usr/bin/env bash
# Random sequences of a user's actions on the real main window, each step checked against a
# model of what must hold. Prints the seed, the count, the steps per second and every failed
# check; a failing sequence is shrunk to the shortest that still fails and kept under
# tests/sequences/regressions/, which the test suite replays from then on.
#
#   scripts/sequences.sh [count] [seed]     count 100 unless given; a fresh seed unless given
#   scripts/sequences.sh 10000              the long run
#
# It runs an optimised build of its own (build/rel), for speed, one worker a core.
# SEQUENCES_ARGS passes more options, such as "--steps 60".
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100}
seed=${2:-}
scripts/deps.sh
cmake -S . -B build/rel -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/rel --target sequences
# shellcheck disable=SC2086
QT_QPA_PLATFORM=offscreen QUILLET_ASSETS="$PWD/build/rel/bin" build/rel/bin/sequences --count "$count" --jobs "$(nproc)" \
  ${seed:+--seed "$seed"} --keep tests/sequences/regressions ${SEQUENCES_ARGS:-}
