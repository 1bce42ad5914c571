#!/usr/bin/env bash
# k5-iap.exe station under Wine on two COM ports, the Linux k5-sim behind each:
# a bootloader on COM16 is programmed as soon as it answers a probe, a running
# firmware on COM17 after Enter; one record line each. Usage: station_two_ports.sh K5_IAP_EXE K5_SIM
set -uo pipefail
exe=$1 sim=$2
: "${WINEPREFIX:?the Wine prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"; rm -f "$WINEPREFIX/dosdevices/com16" "$WINEPREFIX/dosdevices/com17"' EXIT
"$sim" mkpack --out "$work/fw.Pack" --length 3000 >/dev/null

# start_sim COM SIM-OPTIONS...: a simulator behind COM of the prefix.
start_sim() {
  local com=$1
  shift
  "$sim" --quiet --no-pace --link "$work/$com" "$@" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -L "$work/$com" ] && break; sleep 0.05; done
  ln -sfn "$(readlink "$work/$com")" "$WINEPREFIX/dosdevices/$com"
}
start_sim com16
start_sim com17 --firmware

record="$work/record.csv"
# Enter once COM16's update runs (so that only the idle COM17 starts); q once both are recorded.
keys() {
  for _ in $(seq 600); do grep -q 'COM16.*programming' "$work/out" 2>/dev/null && break; sleep 0.1; done
  echo
  for _ in $(seq 600); do [ "$(wc -l <"$record" 2>/dev/null || echo 0)" -ge 3 ] && break; sleep 0.1; done
  echo q
}
keys | timeout 120 wine "$exe" station --pack "Z:${work//\//\\}\\fw.Pack" --port COM16 --port COM17 \
  --record "Z:${record//\//\\}" >"$work/out" 2>"$work/err"
status=$?
tr -d '\r' <"$record" >"$work/record.txt"

fail() { echo "FAIL: $*"; sed 's/^/  out: /' "$work/out"; sed 's/^/  err: /' "$work/err"; sed 's/^/  record: /' "$work/record.txt"; exit 1; }
[ "$status" = 0 ] || fail "exit $status, want 0"
[ "$(wc -l <"$work/record.txt")" = 3 ] || fail "want a header and two lines"
grep -q ',COM16,.*,Program sucessully,Conntectting MCU.... | MCU Identified' "$work/record.txt" || fail "COM16"
grep -q ',COM17,.*,Program sucessully,Conntectting MCU.... | MCU Restarting...' "$work/record.txt" || fail "COM17"
echo "ok    two ports: a bootloader at once, a firmware after Enter"
