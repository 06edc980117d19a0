#!/usr/bin/env bash
# Builds the module and runs the main job on the bundled data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target enviro enviro-info
build/tools/enviro-info "$@"
