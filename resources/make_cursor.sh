#!/bin/sh
# make_cursor.sh SOURCE.xpm OUT.cur: ImageMagick writes a .cur with the icon type
# in its header; mark it as a cursor (type 2) with the hot spot that the XPM's
# values line gives after its four numbers ("32 32 3 1 15 15"), else (0, 0).
set -e
convert "$1" "CUR:$2"
printf '\002' | dd of="$2" bs=1 seek=2 conv=notrunc status=none
hot=$(sed -n 's/^"\([0-9][0-9]*\) \([0-9][0-9]*\) \([0-9][0-9]*\) \([0-9][0-9]*\) \([0-9][0-9]*\) \([0-9][0-9]*\)".*/\5 \6/p' "$1" | head -n 1)
x=${hot% *}
y=${hot#* }
[ -n "$hot" ] || { x=0; y=0; }
# The hot spot: two little-endian 16-bit words at offset 10.
printf "\\$(printf '%03o' $((x & 255)))\\$(printf '%03o' $((x >> 8)))\\$(printf '%03o' $((y & 255)))\\$(printf '%03o' $((y >> 8)))" |
  dd of="$2" bs=1 seek=10 conv=notrunc status=none
