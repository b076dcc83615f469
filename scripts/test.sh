#!/usr/bin/env bash
# Builds everything and runs every test: the Windows build under Wine, the host
# build (its scenarios also drive the Windows build under Wine), and the host build
# with AddressSanitizer and UndefinedBehaviorSanitizer; and builds and checks the i686
# launcher that packages ship.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DBUILD_TESTING=ON
cmake --build build-win64 -j2

cmake -S . -B build -G Ninja -DKAVRIN_WIN64_DIR="$root/build-win64" -DBUILD_TESTING=ON
cmake --build build -j2

cmake -S . -B build-asan -G Ninja -DKAVRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON
cmake --build build-asan -j2

# The launcher a package ships is the i686 build. This machine kind cannot run i386
# programs: it is built and checked here, and its logic is tested through the x86-64
# build of the same source (launcher64.exe) under Wine.
cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake -DBUILD_TESTING=OFF
cmake --build build-win32 -j2 --target launcher

status=0
echo "== the shipped launcher"
scripts/check-launcher-exe.sh build-win32/bin/launcher.exe || status=1
for dir in build-win64 build build-asan; do
  echo "== tests of $dir"
  (cd "$dir" && ctest --output-on-failure -j2) || status=1
done
exit $status
