#!/usr/bin/env bash
# The whole test run on a fresh Debian machine: installs what is missing, builds with
# warnings as errors, runs the suite, then builds and runs it again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tq_install_deps

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTQ_SANITIZE=ON -DTQ_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
echo "== tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900
