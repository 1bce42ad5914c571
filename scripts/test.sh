#!/usr/bin/env bash
# Installs what is missing, checks the translation catalogues (the template made
# from the sources as they are, each language complete and valid), builds from
# scratch and runs every test: the dev
# build (warnings as errors), the AddressSanitizer/UBSan build and the
# ThreadSanitizer build, the Debian package (built, checked, installed, run,
# removed), the Windows lane (mingw-w64 cross build, tests under Wine), then
# the web lane (the page built with Emscripten, run in headless Chromium against
# k5-sim), then the Debian 13 lane (the demo and the dev tests on a minimal
# trixie system). K5_TSAN=0 leaves the ThreadSanitizer build out, K5_PACKAGE=0
# the package, K5_WINDOWS=0 the Windows lane, K5_WEB=0 the web lane,
# K5_DEBIAN13=0 the Debian 13 lane.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/steps.sh
scripts/deps.sh
step check-po "Checking the translation catalogues" scripts/check-po.sh

run_preset() {
  local preset=$1
  echo "=== $preset"
  step "configure-$preset" "Configuring $preset" cmake --preset "$preset" --fresh
  step "build-$preset" "Building $preset" cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
}

run_preset dev
run_preset asan
if [ "${K5_TSAN:-1}" = 1 ]; then
  run_preset tsan
fi
if [ "${K5_PACKAGE:-1}" = 1 ]; then
  echo "=== release: the Debian package"
  scripts/test-package.sh
fi
if [ "${K5_WINDOWS:-1}" = 1 ]; then
  echo "=== win64: cross-build, test under Wine"
  scripts/test-windows.sh
fi
if [ "${K5_WEB:-1}" = 1 ]; then
  echo "=== web: the page in headless Chromium"
  scripts/test-web.sh
fi
if [ "${K5_DEBIAN13:-1}" = 1 ]; then
  echo "=== Debian 13: the demo and the dev tests on trixie"
  scripts/test-debian13.sh
fi
