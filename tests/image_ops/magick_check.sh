#!/bin/sh
# Files written by c_Dib::SaveBmp and SavePackedDibBmp open in ImageMagick with
# the pixels they were written from: the test executable writes them (filter
# MagickExport.*), then each is compared with the picture it came from as raw
# RGB bytes.
# Usage: magick_check.sh test_image_ops.exe fixture-folder convert
set -eu
EXE="$1"; FIX="$2"; CONVERT="$3"
WINE="${WINELOADER:-/usr/lib/wine/wine64}"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
DARNA_IMAGE_OPS_EXPORT="Z:$(echo "$OUT" | sed 's#/#\\#g')\\" DARNA_IMAGE_OPS_FIXTURES="Z:$(echo "$FIX" | sed 's#/#\\#g')\\" \
  "$WINE" "$EXE" --gtest_filter='MagickExport.*' --gtest_color=no
fail=0
for f in "$OUT"/*.bmp; do
  base="$(basename "$f" .bmp)"
  src="$FIX/${base%%_*}.ppm"
  [ -f "$src" ] || src="$FIX/${base%%_*}.pbm"
  "$CONVERT" "$src" -depth 8 rgb:"$OUT/$base.want"
  "$CONVERT" "$f" -depth 8 rgb:"$OUT/$base.got"
  if cmp -s "$OUT/$base.want" "$OUT/$base.got"; then
    echo "ok: $base"
  else
    echo "DIFFERENT: $base"; fail=1
  fi
done
ls "$OUT"/*.bmp >/dev/null 2>&1 || { echo "no files were written"; exit 1; }
exit $fail
