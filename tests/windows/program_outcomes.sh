#!/usr/bin/env bash
# k5-iap.exe under Wine against the Linux k5-sim, for every outcome of a
# session: the simulator's pseudo-terminal is mapped as COM12 of the Wine
# prefix (two digits: the \\.\ prefix matters). Usage: program_outcomes.sh K5_IAP_EXE K5_SIM
set -uo pipefail
exe=$1 sim=$2
: "${WINEPREFIX:?the Wine prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
trap 'rm -rf "$work"; rm -f "$WINEPREFIX/dosdevices/com12"' EXIT
"$sim" mkpack --out "$work/fw.Pack" --length 2064 >/dev/null
"$sim" mkpack --out "$work/other.Pack" --product 7 --length 100 >/dev/null
pack="Z:${work//\//\\}\\fw.Pack"
failures=0 passed=0

# start_sim SIM-OPTIONS...: a simulator behind COM12; its pid in $simPid.
start_sim() {
  rm -f "$work/link"
  "$sim" --quiet --no-pace --link "$work/link" "$@" >/dev/null 2>&1 &
  simPid=$!
  for _ in $(seq 100); do [ -L "$work/link" ] && break; sleep 0.05; done
  ln -sfn "$(readlink "$work/link")" "$WINEPREFIX/dosdevices/com12"
}

# expect NAME EXIT "LINES" SIM-OPTIONS...: one session, its log lines after "Conntectting MCU....", its exit code.
expect() {
  local name=$1 code=$2 lines=$3
  shift 3
  start_sim "$@"
  local out status
  out=$(wine "$exe" program --port COM12 "$pack" 2>"$work/err" | tr -d '\r')
  status=$?
  kill "$simPid" 2>/dev/null; wait "$simPid" 2>/dev/null
  local want
  want=$(printf 'Conntectting MCU....\n%b' "$lines")
  if [ "$status" = "$code" ] && [ "$out" = "$want" ]; then
    passed=$((passed + 1))
    echo "ok    $name"
  else
    failures=$((failures + 1))
    echo "FAIL  $name: exit $status (want $code)"; echo "$out" | sed 's/^/      /'; sed 's/^/      err: /' "$work/err"
  fi
}

ok='Programing...\nProgram sucessully'
transfer='Programing...\nProgram fail \nPower-off controller or display and try again '
expect "bootloader answers at once"        0 "MCU Identified\n$ok"
expect "firmware restarts into bootloader" 0 "MCU Restarting...\n$ok" --firmware
expect "no answer after the restart"       1 'MCU Restarting...\nConntect  fail' --no-probe-answer
expect "header not acknowledged"           1 "MCU Identified\n$transfer" --no-header-ack
expect "block acknowledgement runs out"    1 "MCU Identified\n$transfer" --ack-blocks 1
expect "no verdict"                        1 'MCU Identified\nPrograming...\nProgram Fail' --no-verdict
expect "cable pulled during the image"     1 "MCU Identified\n$transfer" --unplug-after 600

# doctor --probe: a bootloader answers, a running firmware does not.
for mode in bootloader firmware; do
  if [ $mode = firmware ]; then start_sim --firmware; want=1; else start_sim; want=0; fi
  wine "$exe" doctor --probe --port COM12 >/dev/null 2>&1; status=$?
  kill "$simPid" 2>/dev/null; wait "$simPid" 2>/dev/null
  if [ $status = $want ]; then passed=$((passed + 1)); echo "ok    doctor --probe, $mode"; else
    failures=$((failures + 1)); echo "FAIL  doctor --probe, $mode: exit $status (want $want)"; fi
done

# The port cannot be opened.
rm -f "$WINEPREFIX/dosdevices/com12"
out=$(wine "$exe" program --port COM12 "$pack" 2>/dev/null | tr -d '\r'); status=$?
if [ $status = 2 ] && [ "$out" = $'Conntectting MCU....\nUART Port error ' ]; then
  passed=$((passed + 1)); echo "ok    port cannot be opened"
else
  failures=$((failures + 1)); echo "FAIL  port cannot be opened: exit $status"; echo "$out"
fi
# Packs refused before any session.
wine "$exe" program --port COM12 "Z:${work//\//\\}\\other.Pack" >/dev/null 2>&1; status=$?
if [ $status = 5 ]; then passed=$((passed + 1)); echo "ok    foreign pack refused"; else
  failures=$((failures + 1)); echo "FAIL  foreign pack: exit $status"; fi

# Only the -- ones are options: a path that starts with / is the pack (not found: exit 4, not usage 64).
wine "$exe" info /no/such.Pack >/dev/null 2>&1; status=$?
if [ $status = 4 ]; then passed=$((passed + 1)); echo "ok    a /path is an argument"; else
  failures=$((failures + 1)); echo "FAIL  info /no/such.Pack: exit $status (want 4)"; fi
# A folder is no serial port (Windows refuses it with the error a port in use gives).
out=$(wine "$exe" doctor --port 'C:\windows' 2>&1 | tr -d '\r')
if grep -q "a folder, not a serial port" <<<"$out"; then passed=$((passed + 1)); echo "ok    doctor on a folder"; else
  failures=$((failures + 1)); echo "FAIL  doctor on a folder: $out"; fi

echo "$passed passed, $failures failed"
[ "$failures" = 0 ]
