# start_xvfb [WxHxD] / stop_xvfb: a virtual X screen (1024x768x24 unless given)
# for the Win32 windows under Wine; exports DISPLAY. Sourced.
start_xvfb() {
  local display size=${1:-1024x768x24}
  for display in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
    K5_XVFB_PID=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    export DISPLAY=":$display"
    return 0
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

stop_xvfb() {
  [ -n "${K5_XVFB_PID:-}" ] && kill "$K5_XVFB_PID" 2>/dev/null || true
}
