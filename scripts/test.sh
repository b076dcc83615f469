#!/usr/bin/env bash
# Builds everything and runs every test: the Windows build under Wine, the host
# build (its scenarios also drive the Windows build under Wine), and the host build
# with AddressSanitizer and UndefinedBehaviorSanitizer.
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

status=0
for dir in build-win64 build build-asan; do
  echo "== tests of $dir"
  (cd "$dir" && ctest --output-on-failure -j2) || status=1
done
exit $status
