#!/usr/bin/env bash
# Screenshots of the desktop program under Xvfb, with a window manager so the
# windows have their frames: after start-up, with a pack loaded, while and
# after programming the simulated controller, of the port dialog and of the
# station (on a production line: locked by its set-up, with labels, four ports).
# Writes build/screenshots/*.png, the Win32 program's under Wine into
# build/screenshots/win32/ (scripts/screenshot-win32.sh), and the web page's in
# headless Chromium as build/screenshots/web-*.png. K5_LANGUAGE=de takes them all
# in that language, into build/screenshots/de/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh xvfb xauth imagemagick openbox
cmake --preset dev >/dev/null
cmake --build --preset dev --target screenshot_tour

out=build/screenshots${K5_LANGUAGE:+/$K5_LANGUAGE}
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  build/bin/screenshot_tour "$0"
' "$out"
# The station on a production line, in a 1600 x 1000 window: a larger screen.
xvfb-run -a -s "-screen 0 1920x1200x24" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  build/bin/screenshot_tour "$0" --line
' "$out"
ls -l "$out"

# The Windows program under Wine beside them (K5_WINDOWS=0 leaves it out).
if [ "${K5_WINDOWS:-1}" != 0 ]; then
  scripts/screenshot-win32.sh
fi

# The web page in headless Chromium against k5-sim (K5_WEB=0 leaves it out).
if [ "${K5_WEB:-1}" != 0 ]; then
  scripts/deps.sh emscripten chromium chromium-driver python3-selenium python3-websockets
  cmake --preset web >/dev/null
  cmake --build --preset web >/dev/null
  /usr/bin/python3 tests/web/screenshots.py "$out"
fi
