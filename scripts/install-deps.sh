#!/usr/bin/env bash
# Installs whatever this project needs that the machine lacks (Debian 12, as root or
# through sudo): the native toolchain and test libraries, the mingw-w64 cross compiler,
# Wine and a virtual X display, and the hash libraries: zlib for both builds (the
# program links the mingw-w64 one statically), libcrypto for the native core's hashes.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  libgtest-dev googletest libbenchmark-dev
  mingw-w64 g++-mingw-w64-x86-64-posix
  zlib1g-dev libssl-dev libz-mingw-w64-dev
  wine wine64 xvfb xauth
  xdotool imagemagick x11-utils xxd
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
