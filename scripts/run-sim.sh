#!/usr/bin/env bash
# The tool's main job on the simulated target: load a sample image and run the
# automatic sequence (ISP ON, erase, program with read-back verify, ISP OFF),
# then read the chip back for its checksum. No hardware needed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tq_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tarnquill-cli
# The simulated chip keeps its flash in a file, so a later run can read it back;
# its busy times are those of a real chip.
port="sim:flash=$PWD/build/sim-flash.bin,erase-ms=30,page-ms=3"
exec build/cli/tarnquill-cli --port "$port" load examples/pattern.hex --mcu 4 auto read "$@"
