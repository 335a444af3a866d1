#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts it under Wine with a file:
# the one named as the first argument, or the sample file shipped with the project.
# With a display, the program runs until you close it. Without one, it runs on a virtual
# display, and a screenshot of its window is saved and its path printed.
#
#   scripts/run.sh [--dpi N] [file]
#
# --dpi runs it on a display scaled to N dots per inch (96 is 100 %, 144 is 150 %, 192 is
# 200 %), in a Wine prefix of its own for that DPI.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

dpi=96
if [ "${1:-}" = "--dpi" ]; then
  dpi=${2:-}
  shift 2 || true
fi
case "$dpi" in
  ''|*[!0-9]*) echo "run: --dpi wants a number of dots per inch, such as 144" >&2; exit 2 ;;
esac
if [ "$dpi" -lt 48 ] || [ "$dpi" -gt 480 ]; then
  echo "run: --dpi $dpi is outside 48..480" >&2
  exit 2
fi

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Quillix-64bit -j "$(nproc 2>/dev/null || echo 2)"

file=${1:-$root/resources/sample.bin}
[ -e "$file" ] || { echo "run: no such file: $file" >&2; exit 1; }
file=$(cd "$(dirname "$file")" && pwd)/$(basename "$file")

source scripts/display.sh
had_display=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then had_display=0; fi
quillix_start_display

# A prefix of its own, with ordinary top-level windows (the tests' prefix uses a virtual
# desktop), and one more for each other DPI: Wine reads the scaling when a prefix starts.
suffix=""
[ "$dpi" -eq 96 ] || suffix="-${dpi}dpi"
export WINEPREFIX="$root/build/windows/wineprefix-run$suffix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: creating the Wine prefix for $dpi DPI (once)"
  wine wineboot -i >/dev/null 2>&1 || true
  if [ "$dpi" -ne 96 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || true
    wineserver -k || true
  fi
  wineserver -w || true
fi
windows_path=$(winepath -w "$file" 2>/dev/null)

# Started from its own folder, so Help finds quillix-help.html beside it.
cd "$root/build/windows"
if [ "$had_display" -eq 1 ]; then
  echo "run: starting Quillix-64bit at $dpi DPI with $windows_path"
  exec wine Quillix-64bit.exe "$windows_path"
fi

# No window manager runs on the virtual display, so the program gets a Wine desktop of
# its own, where Wine draws the whole frame, title bar included; it grows with the DPI.
desktop="$((760 * dpi / 96))x$((440 * dpi / 96))"
wine explorer /desktop=Quillix,"$desktop" Quillix-64bit.exe "$windows_path" >/dev/null 2>&1 &
program=$!
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name "^ Quillix-64bit" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "run: the program's window did not appear" >&2
  kill "$program" 2>/dev/null || true
  exit 1
fi
sleep 2  # let it paint
shot="$root/build/quillix-screenshot$suffix.png"
import -window "$window" "$shot"
echo "run: no display here, so Quillix-64bit ran on a virtual display at $dpi DPI with $windows_path"
echo "run: screenshot of its window: $shot"
wineserver -k >/dev/null 2>&1 || true
wait "$program" 2>/dev/null || true
