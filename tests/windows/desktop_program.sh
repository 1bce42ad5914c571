#!/usr/bin/env bash
# The Windows zip as a person uses it: unpacked into a folder with a non-ASCII
# name, k5-iap-tool.exe started there with eBikeSet.ini beside it leading to a
# simulated controller running its firmware (COM7 of the Wine prefix); "Read
# Pack" through the system's file dialog, "Program", and the simulator checks
# the image it received against the pack. k5-iap.exe runs from there too.
# Needs Wine's prefix (WINEPREFIX), an X display (DISPLAY) and xdotool.
# Usage: desktop_program.sh CPACK_CONFIG K5_SIM
set -euo pipefail
config=$1 sim=$2
: "${WINEPREFIX:?the Wine prefix}" "${DISPLAY:?an X display}"
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wine taskkill /f /im k5-iap-tool.exe >/dev/null 2>&1 || true
  rm -f "$WINEPREFIX/dosdevices/com7"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cpack --config "$config" -B "$work/package" >/dev/null
zip=$(ls "$work"/package/k5-iap-tool-*-win64.zip)
unzip -q "$zip" -d "$work"
folder="$work/Prüfstand 固件"
mv "$work"/k5-iap-tool-*-win64 "$folder"
ls "$folder/k5-iap-tool.exe" "$folder/k5-iap.exe" "$folder/README.txt" "$folder/LICENSE.txt" >/dev/null

version=$(basename "$zip" | sed 's/^k5-iap-tool-\(.*\)-win64\.zip$/\1/')
for program in k5-iap k5-iap-tool; do
  said=$(cd "$folder" && wine "./$program.exe" --version | tr -d '\r')
  [ "$said" = "$program $version" ] || fail "$program.exe --version says '$said'"
done

"$sim" mkpack --out "$work/fw.Pack" --length 20000 >/dev/null
(cd "$folder" && wine ./k5-iap.exe info "Z:$work/fw.Pack" | tr -d '\r' | grep -q "Software + Settings") ||
  fail "k5-iap.exe info from the unpacked folder"

printf '[Uart]\r\nPort=7\r\n' >"$folder/eBikeSet.ini"
"$sim" --firmware --no-pace --once --quiet --pack "$work/fw.Pack" --dump "$work/received.bin" \
  --link "$work/sim.link" >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -L "$work/sim.link" ] && break; sleep 0.05; done
ln -sfn "$(readlink "$work/sim.link")" "$WINEPREFIX/dosdevices/com7"

(cd "$folder" && exec wine ./k5-iap-tool.exe >/dev/null 2>&1) &
title="Velmar-K5-Controller IAP Tool"
window=
for _ in $(seq 100); do
  window=$(xdotool search --name "^$title" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# The toolbar's buttons, by their place in the layout: Read Pack 185 wide, then Program.
click() { xdotool mousemove "$((X + $1))" "$((Y + $2))" click 1 2>/dev/null; }

click 60 38
for _ in $(seq 50); do xdotool search --name "^Open$" >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --name "^Open$" >/dev/null 2>&1 || fail "the file dialog did not open"
sleep 0.5
xdotool type --delay 20 "Z:${work//\//\\}\\fw.Pack" 2>/dev/null
xdotool key Return 2>/dev/null
for _ in $(seq 50); do xdotool search --name "^Open$" >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --name "^Open$" >/dev/null 2>&1 && fail "the file dialog did not close"
sleep 1
# --once: the simulator ends after the session; 0 when the image matches the pack. A click
# that a busy machine lost is clicked again; during a session a click only clears the log.
status=0
for _ in 1 2 3 4; do
  # The first pointer event after the dialog has closed only wakes the window up.
  xdotool mousemove "$((X + 250))" "$((Y + 100))" 2>/dev/null
  sleep 0.5
  click 250 38
  for _ in $(seq 150); do kill -0 "$sim_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$sim_pid" 2>/dev/null || break
done
kill -0 "$sim_pid" 2>/dev/null && fail "no session reached the simulator within a minute"
wait "$sim_pid" || status=$?
sim_pid=
[ "$status" = 0 ] || fail "the simulator did not receive the pack's image (status $status)"
[ "$(stat -c %s "$work/received.bin")" = 20000 ] || fail "the image received is not 20000 bytes"
echo "k5-iap-tool.exe programmed the simulated controller from $folder"
