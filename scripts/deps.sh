#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing (run as root on Debian).
# Usage: scripts/deps.sh [extra packages...]
set -euo pipefail
# clang, its libFuzzer runtime (a package of its own on Debian 12, matching clang 14) and valgrind
# serve the hardening checks of .ci/run (scripts/fuzz.sh, ctest -L valgrind).
packages=(g++ cmake make pkg-config libgtest-dev libbenchmark-dev liblua5.4-dev libstb-dev libtinyexr-dev
          liberfa-dev libnova-dev libcli11-dev nlohmann-json3-dev clang libclang-rt-14-dev valgrind "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
