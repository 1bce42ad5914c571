#!/usr/bin/env bash
# The demo: builds the tools it runs, makes a sample update pack, starts the simulated
# controller (running its firmware, paced like a real 38400-baud line) and
# programs it with k5-iap, then checks that the controller received exactly
# the image that went into the pack.
#   --gui              instead, start the desktop program with COM1 mapped to the
#                      simulator: press "Read Pack" (build/demo/Demo-K5.Pack), then "Program"
#   --web              instead, build the web page and serve it on http://localhost:8080/
#                      with the simulator as its only serial port (reachable from this
#                      computer only): open it in Chrome or Edge and program the simulator
#   K5_WEB_PORT=N      the web demo's port (default 8080)
#   K5_DEMO_LENGTH=N   image size in bytes (default 32768, at most 131024)
set -euo pipefail
cd "$(dirname "$0")/.."
gui=0
web=0
[ "${1:-}" = "--gui" ] && gui=1
[ "${1:-}" = "--web" ] && web=1

source scripts/lib/steps.sh
if [ $web -eq 1 ]; then
  scripts/deps.sh emscripten python3-websockets
else
  scripts/deps.sh
fi
# Only what the demo runs, and a newer compiler's new warnings do not stop it.
step configure-demo "Configuring the build" cmake --preset demo
if [ $gui -eq 1 ]; then
  step build-demo "Building k5-iap, k5-sim and k5-iap-tool (build/bin/)" cmake --build --preset demo-gui
else
  step build-demo "Building k5-iap and k5-sim (build/bin/)" cmake --build --preset demo
fi

bin=$PWD/build/bin
work=$PWD/build/demo
mkdir -p "$work"
length=${K5_DEMO_LENGTH:-32768}
image="$work/firmware.bin"
pack="$work/Demo-K5.Pack"
received="$work/received.bin"
link="$work/k5-sim.tty"
rm -f "$received"

echo "--- making a sample pack from a $length-byte image"
head -c "$length" /dev/urandom > "$image"
"$bin/k5-sim" mkpack --out "$pack" --image "$image" --version 308 >/dev/null
"$bin/k5-iap" info "$pack"

if [ $web -eq 1 ]; then
  step configure-web "Configuring the web page" cmake --preset web
  step build-web "Building the web page (build-web/site/)" cmake --build --preset web
  port=${K5_WEB_PORT:-8080}
  # The demo pack, offered on the page with its checksum, as a vendor would offer a firmware.
  offered="$work/packs.json"
  printf '[{"name": "Demo K5 firmware", "version": 308, "kind": "Software + Settings", "sha256": "%s", "url": "Demo-K5.Pack"}]\n' \
    "$(sha256sum "$pack" | cut -d' ' -f1)" > "$offered"
  "$bin/k5-sim" --firmware --link "$link" --pack "$pack" >/dev/null 2>&1 &
  sim=$!
  trap 'kill $sim 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
  echo "--- open http://localhost:$port/ in Chrome, Edge or another Chromium browser on this computer,"
  echo "    press Use beside the demo firmware (or Read Pack: $pack), Choose Port, then Program."
  echo "    The page's only serial port is the simulated controller. Ctrl+C ends the demo."
  /usr/bin/python3 web/sim/serve.py --site build-web/site --port "$port" --sim "$link" \
    --extra "packs.json=$offered" --extra "Demo-K5.Pack=$pack"
  exit 0
fi

if [ $gui -eq 1 ]; then
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session (or under xvfb-run)." >&2
    exit 1
  fi
  settings="$bin/eBikeSet.ini"
  touch "$settings"
  # Point COM1 at the simulator in [Devices], keeping everything else in the file.
  awk -v dev="$link" '
    BEGIN { done = 0 }
    /^[ \t]*\[/ { inDevices = (tolower($0) ~ /^[ \t]*\[devices\]/) ; print; if (inDevices && !done) { print "COM1=" dev; done = 1 }; next }
    inDevices && tolower($0) ~ /^[ \t]*com1[ \t]*=/ { next }
    { print }
    END { if (!done) { print ""; print "[Devices]"; print "COM1=" dev } }
  ' "$settings" > "$settings.tmp" && mv "$settings.tmp" "$settings"
  echo "--- COM1 now means the simulator ($link) in $settings"
  "$bin/k5-sim" --firmware --link "$link" --pack "$pack" >/dev/null &
  sim=$!
  trap 'kill $sim 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
  echo "--- starting the desktop program: Read Pack -> $pack, then Program"
  echo "    (the port must be com1 under Uart > Uart Port)"
  "$bin/k5-iap-tool"
  exit 0
fi

simlog="$work/k5-sim.log"
echo "--- starting the simulated controller (running firmware; its messages go to $simlog)"
"$bin/k5-sim" --firmware --once --link "$link" --pack "$pack" --dump "$received" >/dev/null 2>"$simlog" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done

echo "--- programming it"
status=0
"$bin/k5-iap" program --port "$link" "$pack" || status=$?
wait $sim || true
trap - EXIT

echo "--- what the simulated controller saw"
sed 's/^/    /' "$simlog"
echo "--- checking what the controller received"
if [ $status -eq 0 ] && cmp -s "$image" "$received"; then
  echo "The controller received the pack's image byte for byte ($length bytes)."
else
  echo "Demo FAILED (k5-iap exit $status)" >&2
  exit 1
fi
