# Sourced by the run and test scripts: makes sure an X display is there. Without one it
# starts a private Xvfb (no window manager: Wine draws the frames itself) and stops it,
# and the Wine session, when the calling script exits.

quillix_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QUILLIX_XVFB_PID=$!
    export DISPLAY=":$n"
    local tries
    for tries in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    if xdpyinfo >/dev/null 2>&1; then
      trap quillix_stop_display EXIT
      echo "display: started a virtual display $DISPLAY"
      return 0
    fi
    kill "$QUILLIX_XVFB_PID" 2>/dev/null || true
  done
  echo "display: could not start Xvfb" >&2
  return 1
}

quillix_stop_display() {
  if [ -n "${WINEPREFIX:-}" ]; then WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${QUILLIX_XVFB_PID:-}" ]; then
    kill "$QUILLIX_XVFB_PID" 2>/dev/null || true
    wait "$QUILLIX_XVFB_PID" 2>/dev/null || true
  fi
}
