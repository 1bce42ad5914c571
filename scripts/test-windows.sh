#!/usr/bin/env bash
# The Windows lane: cross-builds the win64 preset with mingw-w64 and runs its
# tests under Wine in a throw-away prefix, against the Linux k5-sim (which the
# dev build provides: run after it, or it builds it). Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64
[ -x build/bin/k5-sim ] || { cmake --preset dev >/dev/null && cmake --build --preset dev --target k5-sim; }

cmake --preset win64 --fresh >/dev/null
cmake --build --preset win64

export WINEPREFIX="$PWD/build-win64/wineprefix" WINEDEBUG=-all
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One server for the whole run, and Wine's services started once before the
# tests: otherwise each test waits for them, or they keep ctest's pipe open.
wineserver -p 2>>"$PWD/build-win64/wineserver.log"  # a closing pty sends it SIGHUP: it dumps its objects there
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1
ctest --preset win64 -j2
