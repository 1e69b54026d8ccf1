#!/usr/bin/env bash
# Runs clang-tidy (bugprone and performance checks) over the sources that have
# no Qt, using the compile commands of build/.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || cmake -S . -B build -G Ninja >/dev/null
files=$(git ls-files 'core/*.cpp' 'config/*.cpp' 'image/*.cpp' 'bus/*.cpp' 'isp/*.cpp' 'sim/*.cpp' 'flows/*.cpp' 'cli/*.cpp')
clang-tidy -p build --quiet \
  --checks='-*,bugprone-*,performance-*,-bugprone-easily-swappable-parameters,-bugprone-narrowing-conversions' \
  $files "$@"
