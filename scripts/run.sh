#!/usr/bin/env bash
# Builds the module and runs the main job, enviro-sky, on the bundled data for a fixed place and
# time: writes the all-sky image and the day chart into build/out/ and prints the report.
# Extra arguments go to enviro-sky (e.g. --json, --time ..., --lat ...; see --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target enviro enviro-info enviro-sky
mkdir -p build/out
build/tools/enviro-sky --time 2024-08-10T23:30:00+02:00 --lat 45 --lon 7 --size 1024 \
  --out build/out/sky.png --day-chart build/out/day-chart.png "$@"
