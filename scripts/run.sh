#!/usr/bin/env bash
# Builds the module and runs the main job on the bundled data, in a writable copy of data/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target enviro enviro-info
rm -rf build/run && mkdir -p build/run && cp -r data/. build/run/
cd build/run && ../tools/enviro-info . "$@"
