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
# intercept_tls_get_addr=0: the runtime of GCC 12 (and LLVM before 17) takes a dynamic TLS
# block that happens to start 16 bytes into a page for one with a glibc 2.19 header, and reads
# the two words before it, a heap chunk header, as the block's bounds. The JPEG plugin's
# libjpeg keeps its SIMD flags in such a block, so on some heap layouts (another set of fonts is
# enough) the leak check scans a bogus range at exit and dies. Without the interceptor the
# leak check still scans each thread's static TLS, where all of our own thread-locals live,
# and glibc's block table keeps the dynamic blocks reachable: no leak is hidden.
asan_options=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
ASAN_OPTIONS=$asan_options UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"
echo "== Random sequences under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=$asan_options UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp sequences build/asan 15

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzz targets, short run"
  scripts/fuzz.sh short
fi
