#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz and runs each for a while on a
# working copy of its seed corpus (build-fuzz/corpus/<target>, kept between runs, not in git).
# Fails (exit 1) on any crash, leak, timeout, out-of-memory or sanitizer report; the input that
# caused it is left in build-fuzz/artifacts/<target>/. Without clang or its libFuzzer runtime it
# says so and exits 0.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [target...]   (default: every target)
# FUZZ_JOBS=2 runs two targets at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(FuzzStarEntry FuzzStarCatalogText FuzzStarCatalogBinary FuzzConfigReader FuzzBitmap24 FuzzSetLightBMP)
fi
dir=build-fuzz
jobs="${FUZZ_JOBS:-1}"

mkdir -p "$dir"
if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
  echo "fuzz.sh: clang/clang++ not found: no fuzzing" >&2
  exit 0
fi
probe="$dir/probe"
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer,address,undefined -o "$probe" - 2>/dev/null; then
  echo "fuzz.sh: clang's libFuzzer runtime is missing (Debian: libclang-rt-<version>-dev): no fuzzing" >&2
  exit 0
fi
rm -f "$probe"

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DENVIRO_BUILD_FUZZ=ON -DENVIRO_BUILD_TESTS=OFF -DENVIRO_BUILD_BENCH=OFF -DENVIRO_BUILD_TOOLS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target fuzz

# Scratch files of the targets go under the build directory (a fuzzer that stops on a finding
# leaves its own behind).
export TMPDIR="$PWD/$dir/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1"

# Runs one target; its output goes to build-fuzz/logs/<target>.log.
run_target() {
  local t="$1" work="$PWD/$dir/corpus/$1" artifacts="$PWD/$dir/artifacts/$1/" log="$dir/logs/$1.log"
  mkdir -p "$work" "$artifacts" "$dir/logs"
  cp -n "fuzz/corpus/$t"/* "$work"/ 2>/dev/null || true
  local options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -detect_leaks=1
                 -print_final_stats=1 -artifact_prefix="$artifacts")
  [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
  "$dir/fuzz/$t" "${options[@]}" "$work" >"$log" 2>&1
}

# One line per target: executions, corpus size, verdict.
report() {
  local t="$1" status="$2" log="$dir/logs/$1.log" runs corpus
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
  corpus=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:|ERROR: libFuzzer' "$log"; then
    printf '%-22s FAILED after %s executions, see %s and %s\n' "$t" "${runs:-?}" "$log" "$dir/artifacts/$t/"
    return 1
  fi
  printf '%-22s %10s executions, corpus %s inputs, %s\n' "$t" "${runs:-?}" "${corpus%%/*}" "${corpus#*/}"
}

echo "Fuzzing ${#targets[@]} target(s), ${seconds} s each, ${jobs} at a time"
failed=0
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  batch=("${targets[@]:i:jobs}")
  pids=()
  for t in "${batch[@]}"; do
    run_target "$t" &
    pids+=($!)
  done
  for k in "${!batch[@]}"; do
    status=0
    wait "${pids[$k]}" || status=$?
    report "${batch[$k]}" "$status" || failed=1
  done
done
exit "$failed"
