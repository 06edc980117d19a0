#!/usr/bin/env bash
# Builds enviro-demo and renders the README's four frames of one day (dawn, noon, sunset, night)
# of the town at 45° N, 7° E on 21 June 2024, and its two scene presets (the town under its street
# lamps at night, the flight over the lake at sunset), into docs/images/demo-*.png (or the folder
# given).
# Runs headless (EGL; Mesa's llvmpipe where there is no GPU). Builds in build-release/ with the
# main job's settings (scripts/run.sh), so neither rebuilds what the other built.
# Usage: scripts/demo.sh [output folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/images}"
scripts/deps.sh
dir=build-release
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target enviro-demo
for shot in dawn=06:10 noon=13:30 sunset=20:45 night=23:30; do
  "$dir/tools/enviro-demo" --time "2024-06-21T${shot#*=}:00+02:00" --lat 45 --lon 7 --camera town \
    --size 960x540 --out-dir "$out" --name "demo-${shot%%=*}"
done
for preset in night sunset; do
  "$dir/tools/enviro-demo" --preset "$preset" --lat 45 --lon 7 --size 960x540 --out-dir "$out" \
    --name "demo-preset-$preset"
done
echo "Frames in $out/demo-{dawn,noon,sunset,night,preset-night,preset-sunset}.png"
