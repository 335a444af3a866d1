#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: the core natively
# (plain and with sanitizers) and, cross-built, the Win32 program and the core's Windows
# halves under Wine. Ends with the time each step took and one PASS or FAIL line.
#
# The test runs mostly wait (on the disk's flushes, on Wine's windows), so two of them
# run beside the next steps: the native tests beside the Windows build, the Wine tests
# beside the sanitizer build and its tests. So two 4 GiB saves may run at once, each
# writing 4 GiB (their documents are sparse).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh || { echo "FAIL: could not install the dependencies"; exit 1; }
source scripts/display.sh

jobs=$(nproc 2>/dev/null || echo 2)
declare -a results=()
failed=0
logs=$root/build/test-logs
mkdir -p "$logs"

record() {  # record NAME STATUS SECONDS
  if [ "$2" -eq 0 ]; then
    results+=("$(printf 'pass  %4ds  %s' "$3" "$1")")
  else
    results+=("$(printf 'FAIL  %4ds  %s' "$3" "$1")")
    failed=1
  fi
}

step() {  # step NAME COMMAND...: runs now
  local name=$1 start=$SECONDS status=0; shift
  echo
  echo "==== $name"
  "$@" || status=$?
  record "$name" "$status" $((SECONDS - start))
}

declare -A running=()
begin() {  # begin NAME COMMAND...: runs beside what follows, its output kept for finish
  local name=$1; shift
  echo
  echo "==== $name (started beside the next steps)"
  local log="$logs/${name// /-}"
  (
    start=$SECONDS
    "$@" >"$log.out" 2>&1
    status=$?
    echo "$status $((SECONDS - start))" >"$log.end"
  ) &
  running[$name]=$!
}

finish() {  # finish NAME: waits for a step begun before and shows its output
  local name=$1 log="$logs/${1// /-}"
  wait "${running[$name]}"
  echo
  echo "==== $name (output)"
  cat "$log.out"
  local status=1 seconds=0
  [ -f "$log.end" ] && read -r status seconds <"$log.end"
  record "$name (beside the steps after it)" "$status" "$seconds"
}

ctest_args=(--output-on-failure --no-tests=error)
# The native tests write their files into the system's temporary folder, the Wine tests
# into the Wine prefix inside build/: both need room for a 4 GiB file and its copy.
free_kb() { df -Pk "$1" 2>/dev/null | awk 'NR==2 {print $4}'; }
for folder in "${TMPDIR:-/tmp}" build; do
  if [ "$(free_kb "$folder")" -lt $((10 * 1024 * 1024)) ] 2>/dev/null || [ -z "$(free_kb "$folder")" ]; then
    echo "test: under 10 GiB free in $folder: the slow 4 GiB save tests are left out (label 'slow')"
    ctest_args+=(-LE slow)
    break
  fi
done

for preset in native native-asan windows; do
  step "configure $preset" cmake --preset "$preset" -DCMAKE_COLOR_DIAGNOSTICS=OFF >/dev/null
done

step "build native" cmake --build --preset native -j "$jobs"
begin "tests native" ctest --preset native "${ctest_args[@]}" -j "$jobs"

step "build windows" cmake --build --preset windows -j "$jobs"
# The release zip; the Wine tests unpack it and run the program from it.
step "package windows" cmake --build --preset windows --target package
finish "tests native"

quillix_start_display || { echo "FAIL: no display for the Wine tests"; exit 1; }
export WINEPREFIX="$root/build/windows/wineprefix"
begin "tests under Wine" ctest --preset windows "${ctest_args[@]}"

step "build native-asan" cmake --build --preset native-asan -j "$jobs"
step "tests native with sanitizers" ctest --preset native-asan "${ctest_args[@]}" -j "$jobs"
finish "tests under Wine"

echo
echo "==== summary (the seconds each step took)"
printf '  %s\n' "${results[@]}"
echo "  total ${SECONDS}s"
if [ "$failed" -eq 0 ]; then
  echo "PASS: every build and every test passed"
  exit 0
fi
echo "FAIL: see the steps marked FAIL above"
exit 1
