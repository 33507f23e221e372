#!/bin/sh
# make_cursor.sh SOURCE.xpm OUT.cur: ImageMagick writes a .cur with the icon type
# in its header; mark it as a cursor (type 2) with the hot spot at (0, 0).
set -e
convert "$1" "CUR:$2"
printf '\002' | dd of="$2" bs=1 seek=2 conv=notrunc status=none
printf '\000\000\000\000' | dd of="$2" bs=1 seek=10 conv=notrunc status=none
