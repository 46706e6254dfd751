#!/usr/bin/env bash
# Builds the release and makes the Debian package build/release/quillet_<version>_<arch>.deb.
# Install it with: sudo apt install ./build/release/quillet_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF >/dev/null
cmake --build build/release
(cd build/release && cpack -G DEB)
ls build/release/*.deb
