#!/usr/bin/env bash
# Builds and runs every test: the suite, the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

echo "== Test suite"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"

# A short batch of random sequences of a user's actions, from a fixed seed so that every
# run tries the same ones (scripts/sequences.sh runs more, from fresh seeds).
sequences() {
  QT_QPA_PLATFORM=offscreen QUILLET_ASSETS="$PWD/$1/bin" "$1/bin/sequences" --count "$2" --seed 23
}
echo "== Random sequences of user actions, a short batch"
sequences build/test 60

echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"
echo "== Random sequences under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp sequences build/asan 15

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzz targets, short run"
  scripts/fuzz.sh short
fi
