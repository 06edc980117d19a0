#!/usr/bin/env bash
# Builds the module and runs the main job, enviro-sky, on the bundled data for a fixed place and
# time: writes the all-sky image and the day chart into build-release/out/ and prints the report.
# Extra arguments go to enviro-sky (e.g. --json, --time ..., --lat ...; see --help).
# Its build folder, build-release/, is its own: scripts/test.sh builds in build/, so running one
# after the other rebuilds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build-release
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target enviro enviro-info enviro-sky
mkdir -p "$dir/out"
"$dir/tools/enviro-sky" --time 2024-08-10T23:30:00+02:00 --lat 45 --lon 7 --size 1024 \
  --out "$dir/out/sky.png" --day-chart "$dir/out/day-chart.png" "$@"
