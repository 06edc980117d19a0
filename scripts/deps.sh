#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing (run as root; Debian 12 or 13).
# Usage: scripts/deps.sh [--tests] [extra packages...]
#   (no flag)  what scripts/run.sh needs to build and run the main job
#   --tests    that and what scripts/test.sh and .ci/run need besides: the test and benchmark
#              libraries, the test-only oracles, clang with its sanitizer and libFuzzer runtime
#              (scripts/fuzz.sh) and valgrind (ctest -L valgrind)
set -euo pipefail
tests=0
if [ "${1:-}" = --tests ]; then
  tests=1
  shift
fi

# The OpenGL host (configured with the rest, so the main job's build needs it too): libepoxy, EGL
# and Mesa's drivers (llvmpipe where there is no GPU), GLFW for its optional window.
main_packages=(g++ cmake make pkg-config liblua5.4-dev libstb-dev libtinyexr-dev libcli11-dev nlohmann-json3-dev
               libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgl-dev libglfw3-dev)
test_packages=(libgtest-dev libbenchmark-dev liberfa-dev libnova-dev clang valgrind)
# clang's sanitizer and libFuzzer runtime is a package of its own named after clang's major version,
# and the name changed between releases: the first of these that is installed or that the release
# offers is taken (%s: the major version of the release's clang).
clang_runtime_patterns=(libclang-rt-%s-dev libclang-common-%s-dev)

export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

offered() { apt-cache policy "$1" 2>/dev/null | grep -q 'Candidate: [^(]'; }

# Another apt may hold the package lock for a while (shared machines): wait for it, then retry.
apt_get() {
  local attempt
  for attempt in 1 2 3 4 5; do
    apt-get -o DPkg::Lock::Timeout=300 "$@" && return 0
    echo "deps.sh: apt-get $1 failed (attempt $attempt), retrying in 20 s" >&2
    sleep 20
  done
  apt-get -o DPkg::Lock::Timeout=300 "$@"
}

lists_updated=0
update_lists() {
  if [ "$lists_updated" = 0 ]; then
    apt_get update -qq
    lists_updated=1
  fi
}

clang_major() {
  if command -v clang >/dev/null; then
    clang -dumpversion | cut -d. -f1
  else
    apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -1
  fi
}

clang_runtime() {
  local version pattern name
  version=$(clang_major)
  [ -n "$version" ] || return 0
  for pattern in "${clang_runtime_patterns[@]}"; do
    # shellcheck disable=SC2059
    name=$(printf "$pattern" "$version")
    if installed "$name" || offered "$name"; then
      echo "$name"
      return 0
    fi
  done
}

wanted=("${main_packages[@]}" "$@")
[ "$tests" = 0 ] || wanted+=("${test_packages[@]}")
missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ "$tests" = 1 ]; then
  runtime=$(clang_runtime)
  if [ -z "$runtime" ]; then
    update_lists
    runtime=$(clang_runtime)
  fi
  if [ -z "$runtime" ]; then
    echo "deps.sh: no package of clang's sanitizer runtime found (tried ${clang_runtime_patterns[*]} for clang $(clang_major))" >&2
    exit 1
  fi
  installed "$runtime" || missing+=("$runtime")
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  update_lists
  apt_get install -y -qq "${missing[@]}" >/dev/null
fi
