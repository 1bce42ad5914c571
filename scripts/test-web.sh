#!/usr/bin/env bash
# The web lane: builds the web page with Emscripten (build-web/site/) and runs it
# in headless Chromium, its stand-in serial port joined to k5-sim on a
# pseudo-terminal. Uses build/bin's k5-sim and k5-iap, built here when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
scripts/deps.sh emscripten chromium chromium-driver python3-selenium python3-websockets firefox-esr

step configure-web "Configuring the web page" cmake --preset web --fresh
step build-web "Building the web page (build-web/site/)" cmake --build --preset web
if [ ! -x build/bin/k5-sim ] || [ ! -x build/bin/k5-iap ]; then
  step configure-demo "Configuring k5-sim and k5-iap" cmake --preset demo
  step build-demo "Building k5-sim and k5-iap" cmake --build --preset demo
fi
echo "--- the site: $(find build-web/site -type f -printf "%s\n" | awk "{ s += \$1 } END { print s }") bytes, $(find build-web/site -type f -exec cat {} + | gzip -9 | wc -c) gzipped"
# Debian's interpreter: its selenium and websockets modules.
/usr/bin/python3 tests/web/web_page_test.py
# The page on a phone over WebUSB: each adapter chip the page drives, played by web/sim/sim-usb.js.
/usr/bin/python3 tests/web/web_usb_test.py
# The page on a phone: its layout, the screen kept on, installable, offline, a new version taken whole.
/usr/bin/python3 tests/web/web_phone_test.py
# Firefox (Debian's firefox-esr) over WebDriver BiDi, by puppeteer-core from npm: nothing downloads a
# browser. Installed again only when its lock file changed.
firefox_test=tests/web/firefox
if ! cmp -s "$firefox_test/package-lock.json" "$firefox_test/node_modules/.k5-installed"; then
  step npm-firefox "Installing puppeteer-core ($firefox_test/)" \
    env PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix "$firefox_test" --no-audit --no-fund
  cp "$firefox_test/package-lock.json" "$firefox_test/node_modules/.k5-installed"
fi
node --test "$firefox_test/firefox.test.mjs"
