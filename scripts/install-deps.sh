#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing.
#   install-deps.sh          everything: both builds, the sanitizers, Wine
#   install-deps.sh --host   only what the host build (kavrin and winsim) needs
# Never installs wine32: on a machine that cannot run i386 programs it makes every
# `wine` call fail.
set -euo pipefail

packages=(cmake ninja-build g++ libsqlite3-dev libmspack-dev googletest libgtest-dev)
if [ "${1:-}" != "--host" ]; then
  packages+=(
    clang libclang-rt-14-dev
    sqlite3
    gcab mscompress
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine wine64
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "warning: wine32:i386 is installed; wine calls will fail on this machine" >&2
fi
