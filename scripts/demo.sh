#!/usr/bin/env bash
# Builds kavrin and winsim for the host and runs kavrin on a fresh simulated
# Windows machine: what it prints, its exit code, and what it changed there.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --host
cmake -S . -B build-demo -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build build-demo -j2 --target kavrin winsim >/dev/null

machine=$(mktemp -d)/machine
winsim() { build-demo/bin/winsim --prefix "$machine" "$@"; }
winsim init
mkdir -p "$(winsim path 'C:\pkg')"
ln -s "$PWD/build-demo/bin/kavrin" "$(winsim path 'C:\pkg\kavrin64.exe')"
winsim snapshot before

echo "== kavrin64.exe (no command) on a fresh machine at $machine"
set +e
winsim run 'C:\pkg\kavrin64.exe'
code=$?
set -e
echo "== exit code: $code"
echo "== what changed on the machine"
winsim diff before
log="$(winsim info temp_dir)\\dravik.log"
echo "== the log, $log"
cat "$(winsim path "$log")"
