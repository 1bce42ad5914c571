#!/usr/bin/env bash
# The demo: builds the tools, makes a sample update pack, starts the simulated
# controller (running its firmware, paced like a real 38400-baud line) and
# programs it with k5-iap, then checks that the controller received exactly
# the image that went into the pack.
#   K5_DEMO_LENGTH=N   image size in bytes (default 32768, at most 131024)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev

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
"$bin/k5-sim" mkpack --out "$pack" --image "$image" --version 308
"$bin/k5-iap" info "$pack"

echo "--- starting the simulated controller (running firmware)"
"$bin/k5-sim" --firmware --once --link "$link" --pack "$pack" --dump "$received" >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done

echo "--- programming it"
status=0
"$bin/k5-iap" program --port "$link" "$pack" || status=$?
wait $sim || true
trap - EXIT

echo "--- checking what the controller received"
if [ $status -eq 0 ] && cmp -s "$image" "$received"; then
  echo "The controller received the pack's image byte for byte ($length bytes)."
else
  echo "Demo FAILED (k5-iap exit $status)" >&2
  exit 1
fi
