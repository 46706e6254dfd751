#!/usr/bin/env bash
# Installs what is needed, builds Quillet, quillet-cli and the remote simulator into
# build/release/bin, and starts Quillet.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF >/dev/null
cmake --build build/release --target quillet quillet-cli quillet-remote-sim
exec build/release/bin/quillet
