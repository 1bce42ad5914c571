#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and fuzzes LoadPack for a while.
# Usage: scripts/fuzz.sh [seconds]   (default 180)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}

scripts/deps.sh clang
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

corpus=build-fuzz/corpus
mkdir -p "$corpus"
sim=build-fuzz/bin/k5-sim
"$sim" mkpack --out "$corpus/small.Pack" --length 40 >/dev/null
"$sim" mkpack --out "$corpus/large.Pack" --length 131024 --key32 0xF0 --key33 0x20 >/dev/null
"$sim" mkpack --out "$corpus/empty.Pack" --length 0 --kind 0 >/dev/null
"$sim" mkpack --out "$corpus/badcrc.Pack" --length 300 --bad-crc >/dev/null
head -c 1000 "$corpus/small.Pack" > "$corpus/short.Pack"

ASAN_OPTIONS=detect_leaks=1 build-fuzz/bin/pack_loader_fuzz "$corpus" \
  -max_len=131200 -max_total_time="$seconds" -print_final_stats=1
