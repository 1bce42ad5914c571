#!/usr/bin/env bash
# The demo: builds the tools, makes a sample update pack and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev

bin=build/bin
work=build/demo
mkdir -p "$work"
pack="$work/Demo-K5.Pack"

echo "--- making a sample pack"
"$bin/k5-sim" mkpack --out "$pack" --length 65536 --version 308
echo "--- what k5-iap sees in it"
"$bin/k5-iap" info "$pack"
