#!/usr/bin/env bash
# Installs everything the build, the tests, the demo and the benchmarks need on a Debian 12 machine.
# Safe to run again: it only calls apt when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make python3 git
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine32:i386 wine64
  xvfb xauth x11-apps imagemagick fonts-ipafont-gothic locales
  zlib1g-dev libgtest-dev libbenchmark-dev libdeflate-dev libstb-dev
  clang libclang-rt-14-dev
)

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "setup: all packages present"
fi
