#!/usr/bin/env bash
# Times the INF services of both backends on the same files, in one run: builds
# inf_bench for the host (the simulated machine's INF reader) and for Windows (SetupAPI,
# run under Wine), runs each once, and prints one table with MB/s of open-and-walk,
# microseconds per keyed lookup, and how many times faster the simulated machine is.
#
#   bench/run-inf-bench.sh [COUNT]    COUNT: how many of the largest files of the INF
#                                     corpus to time (default 5)
#
# The corpus is ../shared/inf-corpus beside the tree (KAVRIN_INF_CORPUS to name
# another); without it only the generated files are timed. Build folders: build-bench
# and build-bench-win64 (KAVRIN_BENCH_HOST_DIR, KAVRIN_BENCH_WIN64_DIR). Wine runs in
# WINEPREFIX, by default a prefix kept in the Windows build folder. SetupAPI needs
# minutes for the largest lookup section: its keyed lookups scan the section.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
count=${1:-5}
host_dir=${KAVRIN_BENCH_HOST_DIR:-build-bench}
win_dir=${KAVRIN_BENCH_WIN64_DIR:-build-bench-win64}
corpus=${KAVRIN_INF_CORPUS:-$root/../shared/inf-corpus}
export WINEPREFIX=${WINEPREFIX:-$root/$win_dir/wine-bench}
export WINEDEBUG=-all

scripts/install-deps.sh
echo "== building inf_bench (host: $host_dir, Windows: $win_dir)" >&2
# A folder's first configuration leaves the tests out; later ones keep its settings
# (CMake warns about a toolchain file given again).
host_new=() win_new=()
[ -f "$host_dir/CMakeCache.txt" ] || host_new=(-DBUILD_TESTING=OFF)
[ -f "$win_dir/CMakeCache.txt" ] ||
  win_new=(-DBUILD_TESTING=OFF -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake)
cmake -S . -B "$host_dir" -G Ninja "${host_new[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$host_dir" -j2 --target inf_bench winsim >/dev/null
cmake -S . -B "$win_dir" -G Ninja "${win_new[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$win_dir" -j2 --target inf_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sim="$work/sim"
"$host_dir/bin/winsim" --prefix "$sim" init >/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the Wine prefix $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  wineserver -w
fi

# The largest corpus files, copied to the same Windows path on both machines. Files
# of the same name in different folders keep apart by their folder's name.
args=()
if [ -d "$corpus" ]; then
  while IFS= read -r file; do
    name="$(basename "$(dirname "$file")")-$(basename "$file")"
    for drive in "$sim/drive_c" "$WINEPREFIX/drive_c"; do
      mkdir -p "$drive/kavrin-inf-bench/corpus"
      cp "$file" "$drive/kavrin-inf-bench/corpus/$name"
    done
    args+=("C:\\kavrin-inf-bench\\corpus\\$name")
  done < <(find "$corpus" -type f \( -iname '*.inf' -o -iname '*.inx' \) -printf '%s\t%p\n' |
             sort -rn | head -n "$count" | cut -f2-)
else
  echo "note: no INF corpus at $corpus; only the generated files are timed" >&2
fi

echo "== the simulated machine's INF reader" >&2
WINSIM_PREFIX="$sim" "$host_dir/bin/inf_bench" "${args[@]}" >"$work/sim.tsv"
echo "== SetupAPI under Wine (minutes: its keyed lookups scan the section)" >&2
wine "$win_dir/bin/inf_bench.exe" "${args[@]}" | tr -d '\r' >"$work/wine.tsv"

# One table: each result of the simulated machine beside SetupAPI's for the same work.
awk -F'\t' '
  FNR == NR { wine[$1 FS $2] = $0; next }
  $1 == "error" { print "error (simulated machine): " $2 ": " $3; next }
  $1 == "walk" { walk[++nw] = $0 }
  $1 == "find" { find[++nf] = $0 }
  END {
    for (k in wine) { split(wine[k], w, FS); if (w[1] == "error") print "error (SetupAPI): " w[2] ": " w[3] }
    printf "\nOpen and walk (SetupOpenInfFileW, every line and field read, close); MB = 10^6 bytes\n"
    printf "%-34s %9s %7s | %10s %9s | %10s %9s | %7s\n", "file", "bytes", "lines", "sim ms", "sim MB/s", "Wine ms", "Wine MB/s", "sim x"
    for (i = 1; i <= nw; ++i) {
      split(walk[i], s, FS); split(wine["walk" FS s[2]], w, FS)
      printf "%-34s %9d %7d | %10.3f %9.1f | ", s[2], s[3], s[4], s[5] * 1e3, s[3] / s[5] / 1e6
      if (w[5] > 0) printf "%10.3f %9.2f | %7.1f\n", w[5] * 1e3, w[3] / w[5] / 1e6, w[5] / s[5]
      else printf "%10s %9s | %7s\n", "-", "-", "-"
    }
    printf "\nKeyed lookups (SetupFindFirstLineW by key, then SetupGetSourceFileLocationW), one per entry\n"
    printf "%-34s %9s | %14s | %14s | %7s\n", "section", "entries", "sim us/lookup", "Wine us/lookup", "sim x"
    for (i = 1; i <= nf; ++i) {
      split(find[i], s, FS); split(wine["find" FS s[2]], w, FS)
      printf "%-34s %9d | %14.3f | ", s[2], s[3], s[4] / s[3] * 1e6
      if (w[4] > 0) printf "%14.3f | %7.0f\n", w[4] / w[3] * 1e6, w[4] / s[4]
      else printf "%14s | %7s\n", "-", "-"
    }
  }' "$work/wine.tsv" "$work/sim.tsv"
