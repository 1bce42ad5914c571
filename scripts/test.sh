#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test: the dev
# build (warnings as errors) and the AddressSanitizer/UBSan build.
# Set K5_TSAN=1 to run the ThreadSanitizer build as well.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

run_preset() {
  local preset=$1
  echo "=== $preset: configure, build, test"
  cmake --preset "$preset" --fresh >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
}

run_preset dev
run_preset asan
if [ "${K5_TSAN:-0}" = 1 ]; then
  run_preset tsan
fi
