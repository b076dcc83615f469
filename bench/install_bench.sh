#!/usr/bin/env bash
# Times kavrin's install and uninstall of generated packages on simulated machines,
# against `cp -r` / `rm -rf` of the same files and against the model programs
# (bench/model/), which do only the durable steps such an install and uninstall owe
# per file: the flushed log records, the copy under a temporary name, the
# write-through moves. Prints one table per command, with the seconds of each, the
# ratios, and the milliseconds per file (equal per-file figures across the sizes mean
# the cost is linear in the number of files).
#
#   bench/install_bench.sh [COUNT...]      file counts (default 500 2000 8000)
#
#   KAVRIN_BENCH_ROUNDS   runs of each measurement per size; medians are shown (1)
#   KAVRIN_BENCH_SEED     the generator's seed (20240601)
#   KAVRIN_BENCH_TX_DIR   the Release build folder of kavrin and winsim (build-bench-tx)
#   KAVRIN_BENCH_WORK     where packages and machines are made (a new folder in TMPDIR);
#                         it must be a disk file system, not tmpfs, for the flushes to cost
#
# Each kavrin run gets a fresh machine made with `--time-scale 0`: the clean-up's
# two-second pause is left out, so the figures are the work alone. Package sizes are
# log-uniform from 1 KB to 1 MB (about 150 KB a file on average). The file system is
# synced before every timed step, so that none pays for the writes of the one before.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
counts=("$@")
((${#counts[@]})) || counts=(500 2000 8000)
rounds=${KAVRIN_BENCH_ROUNDS:-1}
seed=${KAVRIN_BENCH_SEED:-20240601}
build=${KAVRIN_BENCH_TX_DIR:-build-bench-tx}

scripts/install-deps.sh --host
echo "== building kavrin and winsim (Release, $build) and the model programs" >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target kavrin winsim >/dev/null
tools="$root/$build/bench-tx"
mkdir -p "$tools"
cc -O2 -o "$tools/gen_package" bench/gen_package.c -lm
cc -O2 -o "$tools/install_model" bench/model/install_model.c
cc -O2 -o "$tools/uninstall_model" bench/model/uninstall_model.c
cc -O2 -o "$tools/flush_probe" bench/model/flush_probe.c
kavrin="$root/$build/bin/kavrin"
winsim_bin="$root/$build/bin/winsim"

if [ -n "${KAVRIN_BENCH_WORK:-}" ]; then
  mkdir -p "$KAVRIN_BENCH_WORK"
  work=$(mktemp -d "$KAVRIN_BENCH_WORK/install-bench.XXXXXX")
else
  work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT

# Seconds taken by a command; its output is dropped, its failure ends the benchmark.
elapsed() {
  sync
  local start=$EPOCHREALTIME status=0
  "$@" >/dev/null 2>"$work/stderr" || status=$?
  local end=$EPOCHREALTIME
  if ((status)); then
    echo "failed ($status): $*" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

count_files() { find "$1" -type f | wc -l; }

# One install and uninstall of the package by kavrin on a fresh machine: "install uninstall".
run_kavrin() {
  local package=$1 files=$2 machine="$work/machine"
  rm -rf "$machine"
  "$winsim_bin" --prefix "$machine" init --time-scale 0 >/dev/null
  local target
  target=$("$winsim_bin" --prefix "$machine" path 'C:\pkg')
  cp -r "$package" "$target"
  ln -s "$kavrin" "$target/kavrin64.exe"
  local bench_folder
  bench_folder=$("$winsim_bin" --prefix "$machine" path 'C:\Program Files\Bench')
  local install uninstall
  install=$(elapsed "$winsim_bin" --prefix "$machine" run 'C:\pkg\kavrin64.exe' apponly_install 'C:\pkg')
  # The files, the script's copy and the uninstall log.
  local installed
  installed=$(count_files "$bench_folder")
  if ((installed != files + 2)); then
    echo "kavrin installed $installed files of $files (+2)" >&2
    exit 1
  fi
  uninstall=$(elapsed "$winsim_bin" --prefix "$machine" run 'C:\pkg\kavrin64.exe' uninstall 'C:\pkg')
  if [ -e "$bench_folder" ]; then
    echo "kavrin's uninstall left $bench_folder" >&2
    exit 1
  fi
  rm -rf "$machine"
  echo "$install $uninstall"
}

run_cp() {
  local package=$1 target="$work/cp-target"
  rm -rf "$target"
  local install uninstall
  install=$(elapsed cp -r "$package" "$target")
  uninstall=$(elapsed rm -rf "$target")
  echo "$install $uninstall"
}

run_model() {
  local package=$1 layout=$2 target="$work/model-target" logs="$work/model-logs"
  rm -rf "$target" "$logs"
  mkdir -p "$logs"
  local install uninstall
  install=$(elapsed "$tools/install_model" "$package" "$layout" "$target" "$logs")
  uninstall=$(elapsed "$tools/uninstall_model" "$layout" "$target")
  rm -rf "$logs"
  echo "$install $uninstall"
}

flush_before=$("$tools/flush_probe" "$work")

declare -A result
for files in "${counts[@]}"; do
  package="$work/package-$files"
  layout="$work/layout-$files"
  generated=$("$tools/gen_package" "$package" "$files" "$seed" "$layout")
  read -r _ bytes <<<"$generated"
  result[$files,mb]=$(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1048576 }')
  ki=() ku=() ci=() cu=() mi=() mu=() kmi=() kmu=() kci=() kcu=()
  for ((round = 1; round <= rounds; ++round)); do
    echo "== $files files, round $round of $rounds" >&2
    # The model right after kavrin, so that both meet the disk in the same mood.
    # Assigned before they are split, so that a failed run ends the benchmark.
    out=$(run_kavrin "$package" "$files"); read -r a b <<<"$out"; ki+=("$a"); ku+=("$b")
    out=$(run_model "$package" "$layout"); read -r c d <<<"$out"; mi+=("$c"); mu+=("$d")
    out=$(run_cp "$package"); read -r e f <<<"$out"; ci+=("$e"); cu+=("$f")
    kmi+=("$(ratio "$a" "$c")") kmu+=("$(ratio "$b" "$d")") kci+=("$(ratio "$a" "$e")") kcu+=("$(ratio "$b" "$f")")
    echo "   kavrin $a / $b s, model $c / $d s, cp/rm $e / $f s" >&2
  done
  for key in ki ku ci cu mi mu kmi kmu kci kcu; do
    declare -n values=$key
    result[$files,$key]=$(median "${values[@]}")
    unset -n values
  done
  rm -rf "$package" "$layout"
done

# The ratios are the medians of each round's ratio: a round's kavrin and model runs
# are minutes apart at most, its runs of different rounds maybe not.
table() {
  local title=$1 k=$2 m=$3 c=$4 baseline=$5 km=$6 kc=$7
  echo
  echo "$title (seconds; medians of $rounds round(s))"
  printf '%6s %6s %9s %9s %9s %8s %8s %11s %11s %11s\n' \
    files MB kavrin model "$baseline" k/model "k/$baseline" 'k ms/file' 'm ms/file' "${baseline} ms/file"
  for files in "${counts[@]}"; do
    awk -v n="$files" -v mb="${result[$files,mb]}" -v k="${result[$files,$k]}" -v m="${result[$files,$m]}" \
      -v c="${result[$files,$c]}" -v km="${result[$files,$km]}" -v kc="${result[$files,$kc]}" 'BEGIN {
        printf "%6d %6d %9.3f %9.3f %9.3f %8.2f %8.2f %11.3f %11.3f %11.3f\n",
          n, mb, k, m, c, km, kc, 1000 * k / n, 1000 * m / n, 1000 * c / n }'
  done
}

flush_after=$("$tools/flush_probe" "$work")

echo
echo "one log record appended and flushed (fdatasync): $flush_before ms before, $flush_after ms after"
echo "kavrin: winsim run C:\\pkg\\kavrin64.exe apponly_install|uninstall C:\\pkg, machine made with --time-scale 0"
table "Install" ki mi ci cp kmi kci
table "Uninstall" ku mu cu rm kmu kcu
