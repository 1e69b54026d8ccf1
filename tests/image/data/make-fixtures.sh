#!/usr/bin/env bash
# Regenerates the image fixtures with the real tools, next to this script:
#   blink.ihx / blink.bin                 sdcc -mmcs51 and its makebin
#   payload.bin                           3000 bytes of a fixed pattern
#   payload-objcopy.hex                   objcopy, payload at 0x10000 (type 02 records, CR LF)
#   payload-srec.hex                      srec_cat, payload at 0xF800 (type 04 records)
# Needs: sdcc, binutils, srecord.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$here/blink.c" "$work/"
(cd "$work" && sdcc -mmcs51 blink.c >/dev/null)
cp "$work/blink.ihx" "$here/blink.ihx"
makebin -p "$here/blink.ihx" "$here/blink.bin"

# Every byte value, 0x00 and 0xFF included, in an order that is not a ramp.
for ((i = 0; i < 3000; i++)); do
  printf '%02x' $(((i * 73 + 29 + (i >> 8)) & 255))
done | xxd -r -p >"$here/payload.bin"

objcopy -I binary -O ihex --change-addresses 0x10000 \
  "$here/payload.bin" "$here/payload-objcopy.hex"
srec_cat "$here/payload.bin" -binary -offset 0xF800 \
  -o "$here/payload-srec.hex" -intel
