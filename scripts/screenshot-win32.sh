#!/usr/bin/env bash
# Screenshots of the Win32 desktop program under Wine on Xvfb, with a window
# manager for the frames: after start-up, with a pack loaded, while and after
# programming the Linux k5-sim (running its firmware, behind COM1 of the Wine
# prefix), of the port dialog, of the station window on COM5, COM6 and COM7, and of
# the window where the named face is missing, of the bad moments (a foreign pack, a damaged one,
# nothing answering), and of the station on a production line (locked by its set-up, with labels,
# four ports in a 1600 x 1000 window). Writes build/screenshots/win32/*.png (with K5_LANGUAGE=de,
# in German into build/screenshots/de/win32/).
# Run by scripts/screenshot.sh; needs the dev build's k5-sim.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/steps.sh
scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth imagemagick openbox fonts-wqy-microhei
[ -f build-win64/build.ninja ] || step configure-win64 "Configuring win64" cmake --preset win64
step build-tour-win32 "Cross-building the Win32 screenshot tour" \
  cmake --build --preset win64 --target screenshot_tour_win32

out=build/screenshots${K5_LANGUAGE:+/$K5_LANGUAGE}/win32
mkdir -p "$out"
export WINEPREFIX="$PWD/build-win64/wineprefix-screenshots" WINEDEBUG=-all
source scripts/lib/xvfb.sh
start_xvfb
sim_pid=
station_pids=()
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  [ ${#station_pids[@]} -gt 0 ] && kill "${station_pids[@]}" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT
openbox >/dev/null 2>&1 &
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  mkdir -p "$WINEPREFIX"
  step wineboot-screenshots "Making a Wine prefix for the screenshots" wineboot -i
fi
scripts/lib/wine-fonts.sh

rm -f "$WINEPREFIX/k5-sim.link"
build/bin/k5-sim --firmware --quiet --link "$WINEPREFIX/k5-sim.link" >/dev/null 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -L "$WINEPREFIX/k5-sim.link" ] && break; sleep 0.05; done
ln -sfn "$(readlink "$WINEPREFIX/k5-sim.link")" "$WINEPREFIX/dosdevices/com1"

# tour ARGS...: the tour says where its windows are and waits while the screen is grabbed.
tour() {
  coproc TOUR { wine build-win64/bin/screenshot_tour_win32.exe "$@" 2>/dev/null; }
  while read -r word name left top right bottom <&"${TOUR[0]}"; do
    bottom=${bottom%$'\r'}
    [ "$word" = shoot ] || continue
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$out/$name.png"
    echo "wrote $out/$name.png"
    echo done >&"${TOUR[1]}"
  done
}
tour COM1

# The station window: three paced bootloaders; the second never gives its verdict, the third's
# cable is pulled mid-transfer.
for com in com5 com6 com7; do
  fault=()
  [ $com = com6 ] && fault=(--no-verdict)
  [ $com = com7 ] && fault=(--unplug-after 6000)
  rm -f "$WINEPREFIX/k5-sim-$com.link"
  build/bin/k5-sim --quiet --link "$WINEPREFIX/k5-sim-$com.link" "${fault[@]}" >/dev/null 2>&1 &
  station_pids+=($!)
  for _ in $(seq 100); do [ -L "$WINEPREFIX/k5-sim-$com.link" ] && break; sleep 0.05; done
  ln -sfn "$(readlink "$WINEPREFIX/k5-sim-$com.link")" "$WINEPREFIX/dosdevices/$com"
done
tour COM1 --station COM5 COM6 COM7
kill "${station_pids[@]}" 2>/dev/null || true

# The bad moments: a foreign pack, a damaged one, and a bootloader that never answers behind COM8.
rm -f "$WINEPREFIX/k5-sim-com8.link"
build/bin/k5-sim --quiet --no-probe-answer --link "$WINEPREFIX/k5-sim-com8.link" >/dev/null 2>&1 &
station_pids=($!)
for _ in $(seq 100); do [ -L "$WINEPREFIX/k5-sim-com8.link" ] && break; sleep 0.05; done
ln -sfn "$(readlink "$WINEPREFIX/k5-sim-com8.link")" "$WINEPREFIX/dosdevices/com8"
tour COM8 --bad-moments
kill "${station_pids[@]}" 2>/dev/null || true

# The same window where the named face is missing (no stand-in): every text must still fit.
wine reg delete 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /f >/dev/null 2>&1 || true
tour COM1 --loaded-only 11-without-the-named-face
scripts/lib/wine-fonts.sh

# The station on a production line, in a 1600 x 1000 window: on a larger screen, four paced
# bootloaders behind COM5 to COM8; the second never gives its verdict, the third is slow.
wineserver -k 2>/dev/null || true
stop_xvfb
start_xvfb 1920x1200x24
openbox >/dev/null 2>&1 &
station_pids=()
for com in com5 com6 com7 com8; do
  fault=()
  [ $com = com6 ] && fault=(--no-verdict)
  [ $com = com7 ] && fault=(--flash-delay 25)
  rm -f "$WINEPREFIX/k5-sim-$com.link"
  build/bin/k5-sim --quiet --link "$WINEPREFIX/k5-sim-$com.link" "${fault[@]}" >/dev/null 2>&1 &
  station_pids+=($!)
  for _ in $(seq 100); do [ -L "$WINEPREFIX/k5-sim-$com.link" ] && break; sleep 0.05; done
  ln -sfn "$(readlink "$WINEPREFIX/k5-sim-$com.link")" "$WINEPREFIX/dosdevices/$com"
done
tour COM1 --line COM5 COM6 COM7 COM8
kill "${station_pids[@]}" 2>/dev/null || true
ls -l "$out"
