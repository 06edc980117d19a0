#!/usr/bin/env bash
# Builds the module, the reference host, the tests and the benchmarks, and runs every test.
# Usage: scripts/test.sh [build-dir, default build] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
scripts/deps.sh --tests
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENVIRO_BUILD_TESTS=ON -DENVIRO_BUILD_BENCH=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
# The valgrind label is a separate, slower check: .ci/run runs it.
ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$(nproc)" -LE valgrind
