#!/usr/bin/env bash
# The web lane: builds the web page with Emscripten (build-web/site/) and runs it
# in headless Chromium, its stand-in serial port joined to k5-sim on a
# pseudo-terminal. Uses build/bin's k5-sim and k5-iap, built here when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
scripts/deps.sh emscripten chromium chromium-driver python3-selenium python3-websockets

step configure-web "Configuring the web page" cmake --preset web --fresh
step build-web "Building the web page (build-web/site/)" cmake --build --preset web
if [ ! -x build/bin/k5-sim ] || [ ! -x build/bin/k5-iap ]; then
  step configure-demo "Configuring k5-sim and k5-iap" cmake --preset demo
  step build-demo "Building k5-sim and k5-iap" cmake --build --preset demo
fi
echo "--- the site: $(du -cb build-web/site/* | tail -1 | cut -f1) bytes, $(cat build-web/site/* | gzip -9 | wc -c) gzipped"
# Debian's interpreter: its selenium and websockets modules.
/usr/bin/python3 tests/web/web_page_test.py
