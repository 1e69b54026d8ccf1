#!/usr/bin/env bash
# Builds every libFuzzer target that fuzz/*.cmake defines with clang, runs
# each for a bounded time and fails when any of them finds a crash or a
# sanitizer report.
#   scripts/fuzz.sh [SECONDS]        default 60 per target (or FUZZ_SECONDS)
# Seeds: fuzz/seeds/<target>/ when present. Crash inputs land in
# build-fuzz/crashes/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-60}}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-2}

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[[ -f $build/CMakeCache.txt ]] && generator=()
CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" -DTQ_FUZZ=ON -DTQ_TESTS=OFF \
  -DTQ_BENCH=OFF -DTQ_GUI=OFF >/dev/null

mapfile -t targets < <(sed -n 's/.*add_executable( *\([A-Za-z0-9_]*\).*/\1/p' \
  "$root"/fuzz/*.cmake | sort -u)
if ((${#targets[@]} == 0)); then
  echo "fuzz: no targets in fuzz/*.cmake" >&2
  exit 1
fi
cmake --build "$build" --target "${targets[@]}" -j"$jobs"

failed=()
mkdir -p "$build/crashes"
for t in "${targets[@]}"; do
  exe=$(find "$build" -type f -name "$t" -perm -u+x | head -n 1)
  if [[ -z $exe ]]; then
    echo "fuzz: $t was not built" >&2
    failed+=("$t")
    continue
  fi
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  seeds=()
  [[ -d $root/fuzz/seeds/$t ]] && seeds=("$root/fuzz/seeds/$t")
  echo "== $t: ${seconds}s"
  if "$exe" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$t-" "$corpus" "${seeds[@]}" 2>"$build/$t.log"; then
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$t.log" || true
    echo "== $t: clean"
  else
    tail -n 40 "$build/$t.log"
    echo "== $t: FAILED (log: $build/$t.log)"
    failed+=("$t")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz: failures in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets ran clean for ${seconds}s each"
