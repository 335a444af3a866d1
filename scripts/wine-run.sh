#!/usr/bin/env bash
# Runs a Windows program under Wine for the cross build's tests: a private prefix inside
# the build folder (made once, under a lock), no Mono or Gecko prompts, and a virtual
# display when none is set. QUILLIX_WINEPREFIX names another prefix; QUILLIX_LOGPIXELS
# scales the display of a prefix made here to that many dots per inch (Wine reads it when
# the prefix starts, so each DPI needs a prefix of its own).
set -euo pipefail
exe=$1; shift
build_dir=$(cd "$(dirname "$exe")" && pwd)
while [ "$build_dir" != / ] && [ ! -f "$build_dir/CMakeCache.txt" ]; do
  build_dir=$(dirname "$build_dir")
done
[ -f "$build_dir/CMakeCache.txt" ] || build_dir=$(cd "$(dirname "$exe")" && pwd)

export WINEPREFIX=${QUILLIX_WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_cmd=$(command -v wine || command -v wine64 || true)
if [ -z "$wine_cmd" ]; then
  echo "wine-run: wine is not installed (run scripts/install-deps.sh)" >&2
  exit 127
fi

# Without a display, start a virtual one for this call only, and let the Wine session end
# before it goes away.
with_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '"$@"; rc=$?; wineserver -w; exit $rc' _ "$@"
  fi
}

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wine-run: creating the Wine prefix $WINEPREFIX (once per build folder)" >&2
      with_display "$wine_cmd" wineboot -i >/dev/null 2>&1 || true
      # One virtual desktop window instead of an X window per top-level window: with no
      # window manager on the virtual display, Wine would wait for one each time a window
      # is hidden or destroyed.
      with_display "$wine_cmd" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
      with_display "$wine_cmd" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 || true
      if [ -n "${QUILLIX_LOGPIXELS:-}" ]; then
        with_display "$wine_cmd" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
          /d "$QUILLIX_LOGPIXELS" /f >/dev/null 2>&1 || true
        wineserver -k || true
      fi
      wineserver -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi

with_display "$wine_cmd" "$exe" "$@"
