#!/usr/bin/env bash
# Pictures of the window for the documentation, taken under Xvfb on the
# simulated target: the main window after an Auto run, then the MCU model
# dialog, the buffer viewer, the checksum report dialog and the speed dialog.
# Writes docs/screenshots/*.png. Needs xvfb-run (package xvfb).
#
#   scripts/screenshot.sh [IMAGE.hex]      default: examples/pattern.hex
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${TQ_BUILD_DIR:-build}
jobs=${JOBS:-$(nproc)}
out=$root/docs/screenshots

if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$jobs" --target tarnquill

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

image=${1:-}
if [[ -z $image ]]; then
  image=$root/examples/pattern.hex
  if [[ ! -f $image ]]; then
    # No sample yet: 4 KB of text, as Intel HEX records of 16 bytes.
    image=$work/sample.hex
    python3 - "$image" <<'PY'
import sys
data = (b"tarnquill screenshot sample - " * 200)[:4096]
with open(sys.argv[1], "w", newline="\r\n") as f:
    for a in range(0, len(data), 16):
        chunk = data[a:a + 16]
        rec = [len(chunk), a >> 8, a & 0xFF, 0] + list(chunk)
        f.write(":" + "".join("%02X" % b for b in rec) + "%02X\n" % (-sum(rec) & 0xFF))
    f.write(":00000001FF\n")
PY
  fi
fi
image=$(realpath "$image")

# The program keeps tarnquil.ini beside itself: a copy of the program and a
# current file, so that no first-start speed detection runs.
cp "$build/app/tarnquill" "$work/"
{
  printf '[INFORMATION]\nINI_VER=V1.3\nIIC_SPEED=40\nPATH=%s\nCOMPANY=Kelvane Test Bench\n' "$work"
  n=0
  while read -r name id pages; do
    n=$((n + 1))
    printf '[MCU%02d]\nNAME=%s\nID=%d\nPAGES=%d\n' "$n" "$name" "$id" "$pages"
  done <<'ROWS'
KV200/KV210 0x55AA 120
KV200G 0x3B5C 120
KV200G 0x3B5C 128
KV230 0x3B2E 128
KV240/KV250 0x3B71 256
KV250A/240A 0x3A94 256
KV300/310-64K 0x3B2E 128
KV300/310-128K 0x3B71 256
KV320-64K 0x3B2E 128
KV320-128K 0x3B71 256
KV330-64K 0x3B2E 128
KV330-128K 0x3B71 256
ROWS
} >"$work/tarnquil.ini"

mkdir -p "$out"
# The default simulated chip is a KV230 (item 4 of the model dialog); busy
# times as a real chip has them.
cd "$work"
TARNQUILL_PORT="sim:erase-ms=30,page-ms=3" \
TARNQUILL_DEMO="$image" TARNQUILL_DEMO_MCU=3 TARNQUILL_DEMO_OUT="$out" \
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/tarnquill"
ls -l "$out"
