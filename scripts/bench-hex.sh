#!/usr/bin/env bash
# Times loading a full 128 KB Intel HEX file (8192 data records) with the
# tool's reader, and objcopy -I ihex -O binary on the same file, and prints
# both figures.
#   scripts/bench-hex.sh [objcopy runs]    default 50
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build-bench}
runs=${1:-50}

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[[ -f $build/CMakeCache.txt ]] && generator=()
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DTQ_TESTS=OFF \
  -DTQ_GUI=OFF -DTQ_BENCH=ON >/dev/null
cmake --build "$build" --target hex_load_bench -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hex=$work/full-128k.hex

exe=$(find "$build" -type f -name hex_load_bench -perm -u+x | head -n 1)
TQ_BENCH_HEX=$hex "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  | tee "$work/bench.txt"
reader_wall=$(awk '$1 == "BM_LoadIntelHex128K_median" {print $2}' "$work/bench.txt")
reader_cpu=$(awk '$1 == "BM_LoadIntelHex128K_median" {print $4}' "$work/bench.txt")

# Wall time and the CPU time of the objcopy processes (user + system).
TIMEFORMAT='%R %U %S'
{ time (for ((i = 0; i < runs; i++)); do
  objcopy -I ihex -O binary "$hex" "$work/full-128k.bin"
done); } 2>"$work/objcopy.time"
read -r wall user sys <"$work/objcopy.time"
objcopy_wall=$(awk -v t="$wall" -v n="$runs" 'BEGIN {printf "%.2f", t / n * 1000}')
objcopy_cpu=$(awk -v u="$user" -v s="$sys" -v n="$runs" 'BEGIN {printf "%.2f", (u + s) / n * 1000}')

echo
echo "128 KB Intel HEX, 8192 data records ($(stat -c %s "$hex") bytes):"
echo "  LoadIntelHex (median of 5 runs):        ${reader_wall} ms wall, ${reader_cpu} ms CPU" \
  "(target: under 5 ms)"
echo "  objcopy -I ihex -O binary (mean of ${runs}): ${objcopy_wall} ms wall, ${objcopy_cpu} ms CPU"
echo "  (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
