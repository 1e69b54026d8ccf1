#!/usr/bin/env bash
# Regenerates the sample images under examples/ with real tools:
#   blink.hex    - examples/blink.c compiled by SDCC (sdcc -mmcs51), Intel HEX as SDCC writes it
#   pattern.hex  - a 48 KB image of text written by srec_cat, for a run that programs many pages
#   pattern.bin  - the same image as a raw binary (objcopy)
set -euo pipefail
cd "$(dirname "$0")/../examples"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
sdcc -mmcs51 -o "$tmp/" blink.c >/dev/null
packihx "$tmp/blink.ihx" > blink.hex 2>/dev/null
srec_cat -generate 0 0xC000 -repeat-string "tarnquill sample image - programmed over I2C. " \
  -o pattern.hex -intel -line-length=43
objcopy -I ihex -O binary pattern.hex pattern.bin
ls -l blink.hex pattern.hex pattern.bin
