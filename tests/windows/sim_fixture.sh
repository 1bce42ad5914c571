#!/usr/bin/env bash
# start SIM [comN [k5-sim options...]] | stop "" [comN]: a k5-sim (a bootloader
# unless the options say otherwise) whose pseudo-terminal is comN (com13 when
# not given) of the Wine prefix.
set -euo pipefail
action=$1 sim=${2:-} com=${3:-com13}
shift $(( $# < 3 ? $# : 3 ))
: "${WINEPREFIX:?the Wine prefix}"
state="$WINEPREFIX/k5-sim-$com"
case "$action" in
  start)
    rm -f "$state.link"
    setsid "$sim" --quiet --no-pace --link "$state.link" "$@" </dev/null >/dev/null 2>&1 &
    echo $! >"$state.pid"
    for _ in $(seq 100); do [ -L "$state.link" ] && break; sleep 0.05; done
    ln -sfn "$(readlink "$state.link")" "$WINEPREFIX/dosdevices/$com"
    ;;
  stop)
    [ -f "$state.pid" ] && kill "$(cat "$state.pid")" 2>/dev/null || true
    rm -f "$state.pid" "$WINEPREFIX/dosdevices/$com"
    ;;
esac
