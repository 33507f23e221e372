#!/bin/bash
# Files exchanged with ImageMagick and libtiff's tools:
#   1. ImageMagick, tiffcp and cjpeg write files of a reference picture;
#   2. test_fileio (Exchange.*) reads them through our readers and compares
#      them with their references, and writes the picture with our writers;
#   3. ImageMagick reads our files and compares them with the reference.
# Usage: exchange.sh path/to/test_fileio.exe (run by ctest inside the Wine
# environment of scripts/ctest.sh).
set -euo pipefail
EXE="$1"
WINE="${WINELOADER:-/usr/lib/wine/wine64}"
DIR="$(mktemp -d)"
trap 'rm -rf "$DIR"' EXIT
cd "$DIR"
fail=0
check() {   # check NAME ACTUAL LIMIT: ACTUAL must be a number <= LIMIT
  if awk -v a="$2" -v l="$3" 'BEGIN { exit !(a + 0 == a && a <= l) }'; then
    echo "ok   $1 ($2)"
  else
    echo "FAIL $1: $2 (limit $3)"
    fail=1
  fi
}

# The reference picture: smooth colours with sharp edges, 61 x 47.
convert -size 47x61 gradient:red-blue -rotate 90 \( -size 61x47 gradient:lime-black \) \
  -compose screen -composite -fill white -draw 'rectangle 10,10 20,30' \
  -fill '#123456' -draw 'circle 45,25 50,30' -depth 8 ref.ppm
convert -size 61x47 gradient:white-black -depth 8 alpha.pgm

# Foreign files and what they must read as.
convert ref.ppm -type truecolor BMP3:im24.bmp
convert ref.ppm -colors 200 -type palette BMP3:im8.bmp && convert im8.bmp -depth 8 im8.ppm
convert ref.ppm -colors 12 -type palette BMP3:im4.bmp && convert im4.bmp -depth 8 im4.ppm
convert ref.ppm -monochrome BMP3:im1.bmp && convert im1.bmp -depth 8 -type truecolor im1.ppm
convert ref.ppm -alpha set -define bmp:format=bmp4 BMP:im32.bmp
convert ref.ppm PNG24:im.png
convert ref.ppm -depth 16 PNG48:im16.png
convert ref.ppm -colorspace gray -depth 8 PNG8:imgrey.png && convert imgrey.png -depth 8 -type truecolor imgrey.ppm
convert ref.ppm -colors 50 PNG8:impal.png && convert impal.png -depth 8 -type truecolor impal.ppm
convert ref.ppm alpha.pgm -alpha off -compose copy_opacity -composite PNG32:ima.png
convert ref.ppm -interlace PNG PNG24:iminter.png
convert ref.ppm -compress none im.tif
tiffcp -c lzw im.tif imlzw.tif
tiffcp -c zip im.tif imzip.tif
tiffcp -t -w 16 -l 16 im.tif imtiled.tif
convert ref.ppm -quality 95 im.jpg && djpeg -ppm im.jpg > imjpg.ppm
cjpeg -quality 80 -progressive ref.ppm > improg.jpg && djpeg -ppm improg.jpg > improg.ppm
convert ref.ppm -colorspace gray -quality 90 imgrey.jpg && djpeg -pnm imgrey.jpg > imgreyjpg.pgm

cat > read.txt <<LIST
im24.bmp ref.ppm 0 -
im8.bmp im8.ppm 0 -
im4.bmp im4.ppm 0 -
im1.bmp im1.ppm 0 -
im32.bmp ref.ppm 0 -
im.png ref.ppm 0 -
im16.png ref.ppm 0 -
imgrey.png imgrey.ppm 0 -
impal.png impal.ppm 0 -
ima.png ref.ppm 0 alpha.pgm
iminter.png ref.ppm 0 -
im.tif ref.ppm 0 -
imlzw.tif ref.ppm 0 -
imzip.tif ref.ppm 0 -
imtiled.tif ref.ppm 0 -
im.jpg imjpg.ppm 1 -
improg.jpg improg.ppm 1 -
imgrey.jpg imgreyjpg.pgm 1 -
LIST

WINDIR="Z:$(echo "$DIR" | tr / '\\')"
DARNA_FILEIO_EXCHANGE="$WINDIR" "$WINE" "$EXE" --gtest_filter='Exchange.*' --gtest_color=no || fail=1

# Our files read by ImageMagick: exact for the lossless formats.
for f in ours.bmp ours.png ours.tif; do
  check "$f" "$(compare -metric AE "$f" ref.ppm null: 2>&1 || true)" 0
done
check ours.jpg "$(compare -metric RMSE ours.jpg ref.ppm null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)" 0.03
check "oursa.png colours" "$(convert oursa.png -alpha off ppm:colours.ppm && compare -metric AE colours.ppm ref.ppm null: 2>&1 || true)" 0
check "oursa.png alpha" "$(convert oursa.png -alpha extract -depth 8 a.pgm && compare -metric AE a.pgm alpha.pgm null: 2>&1 || true)" 0
if tiffinfo ours.tif 2>/dev/null | grep -q "Compression Scheme: None"; then echo "ok   tiffinfo ours.tif"; else echo "FAIL tiffinfo ours.tif"; fail=1; fi
exit $fail
