#!/usr/bin/env bash
# start|stop: a k5-sim bootloader whose pseudo-terminal is COM13 of the Wine prefix.
set -euo pipefail
action=$1 sim=${2:-}
: "${WINEPREFIX:?the Wine prefix}"
state="$WINEPREFIX/k5-sim-com13"
case "$action" in
  start)
    rm -f "$state.link"
    setsid "$sim" --quiet --no-pace --link "$state.link" </dev/null >/dev/null 2>&1 &
    echo $! >"$state.pid"
    for _ in $(seq 100); do [ -L "$state.link" ] && break; sleep 0.05; done
    ln -sfn "$(readlink "$state.link")" "$WINEPREFIX/dosdevices/com13"
    ;;
  stop)
    [ -f "$state.pid" ] && kill "$(cat "$state.pid")" 2>/dev/null || true
    rm -f "$state.pid" "$WINEPREFIX/dosdevices/com13"
    ;;
esac
