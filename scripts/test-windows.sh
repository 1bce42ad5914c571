#!/usr/bin/env bash
# The Windows lane: cross-builds the win64 preset with mingw-w64 and runs its
# tests under Wine in a throw-away prefix, against the Linux k5-sim (which the
# dev build provides: run after it, or it builds it), the desktop program's on
# a virtual X screen (Xvfb); then the per-user installer (MSI, built with wixl)
# in a fresh prefix of its own: install, file association, upgrade, uninstall.
# Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/steps.sh
scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool unzip fonts-wqy-microhei wixl msitools osslsigncode openssl imagemagick openbox
if [ ! -x build/bin/k5-sim ]; then
  step configure-dev "Configuring dev (for the Linux k5-sim)" cmake --preset dev
  step build-sim "Building the Linux k5-sim" cmake --build --preset dev --target k5-sim
fi

step configure-win64 "Configuring win64" cmake --preset win64 --fresh
step build-win64 "Cross-building win64 (build-win64/bin/)" cmake --build --preset win64

export WINEPREFIX="$PWD/build-win64/wineprefix" WINEDEBUG=-all
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
source scripts/lib/xvfb.sh
start_xvfb
# One server for the whole run, and Wine's services started once before the
# tests: otherwise each test waits for them, or they keep ctest's pipe open.
wineserver -p 2>>"$PWD/build-win64/wineserver.log"  # a closing pty sends it SIGHUP: it dumps its objects there
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
step wineboot "Making the Wine prefix" wineboot -i
# COM14 (a simulator's, linked by the tests) registered with Wine, so that it is among the system's DOS
# devices as a port of a real adapter is: Wine lists only the ports it knew when it started.
wine reg add 'HKLM\Software\Wine\Ports' /v COM14 /d "$WINEPREFIX/k5-sim-com14.link" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p 2>>"$PWD/build-win64/wineserver.log"
scripts/lib/wine-fonts.sh
wine cmd /c exit >/dev/null 2>&1
ctest --preset win64 -j2

echo "=== win64: the installer under Wine"
wineserver -k 2>/dev/null || true
tests/windows/installer.sh
