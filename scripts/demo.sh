#!/usr/bin/env bash
# Builds kavrin and winsim for the host and installs the sample package
# (examples/wlan-package) on a fresh simulated Windows machine, then uninstalls it:
# the protocol lines kavrin prints, and what each run changed on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --host
cmake -S . -B build-demo -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build build-demo -j2 --target kavrin winsim >/dev/null

machine=$(mktemp -d)/machine
winsim() { build-demo/bin/winsim --prefix "$machine" "$@"; }
# Waits (the clean-up's pause) take a thousandth of their time.
winsim init --time-scale 0.001
package=$(winsim path 'C:\pkg')
mkdir -p "$package"
cp -r examples/wlan-package/. "$package/"
ln -s "$PWD/build-demo/bin/kavrin" "$(winsim path 'C:\pkg\kavrin64.exe')"

run() {
  echo "== kavrin64.exe $*"
  set +e
  winsim run 'C:\pkg\kavrin64.exe' "$@"
  echo "== exit code: $?"
  set -e
}

winsim snapshot before
run apponly_install 'C:\pkg'
echo "== what the install changed"
winsim diff before
winsim snapshot installed
run uninstall 'C:\pkg'
echo "== what the uninstall changed"
winsim diff installed
echo "== what is left of the package after both"
winsim diff before
log="$(winsim info temp_dir)\\dravik.log"
echo "== the log, $log"
cat "$(winsim path "$log")"
echo "== the machine: $machine"
