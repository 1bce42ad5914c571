#!/usr/bin/env bash
# k5-iap.exe under Wine writes the wire trace of a failing update (a bootloader
# that never gives its verdict, the Linux k5-sim behind COM11); k5-sim --replay
# plays that trace back to a second run, which must end with the same log lines
# and exit code. Usage: trace_replay.sh K5_IAP_EXE K5_SIM
set -uo pipefail
exe=$1 sim=$2
: "${WINEPREFIX:?the Wine prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
pid=
trap 'kill $pid 2>/dev/null; rm -rf "$work"; rm -f "$WINEPREFIX/dosdevices/com11"' EXIT
fail() { echo "FAIL: $*"; for f in "$work"/out*; do sed "s|^|  $(basename "$f"): |" "$f"; done; exit 1; }
"$sim" mkpack --out "$work/fw.Pack" --length 3000 >/dev/null

# run NAME SIM-OPTIONS...: a simulator behind COM11, then one update through it; its exit code.
run() {
  local name=$1
  shift
  rm -f "$work/link"
  "$sim" --quiet --no-pace --once --link "$work/link" "$@" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -L "$work/link" ] && break; sleep 0.05; done
  ln -sfn "$(readlink "$work/link")" "$WINEPREFIX/dosdevices/com11"
  timeout 60 wine "$exe" program --port COM11 $trace_option "Z:${work//\//\\}\\fw.Pack" 2>/dev/null |
    tr -d '\r' | grep -v ' bytes in ' >"$work/out-$name"
  local status=${PIPESTATUS[0]}
  wait $pid 2>/dev/null
  return "$status"
}
trace_option="--trace Z:${work//\//\\}\\trace.txt"
run traced --no-verdict
first=$?
trace_option=
run replayed --replay "$work/trace.txt"
second=$?

tr -d '\r' <"$work/trace.txt" >"$work/trace.unix"
grep -q '^tool k5-iap .* windows$' "$work/trace.unix" || fail "the trace names the tool and system"
grep -q ' end Program Fail$' "$work/trace.unix" || fail "the trace ends with the outcome"
[ "$first" = 1 ] || fail "the traced run exits $first, want 1"
[ "$second" = "$first" ] || fail "the replayed run exits $second, the traced one $first"
cmp -s "$work/out-traced" "$work/out-replayed" || fail "the replayed run's log differs"
echo "ok    a failing update traced under Wine and replayed: the same log and exit code"
