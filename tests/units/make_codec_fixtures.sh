#!/bin/sh
# Writes the codec test fixtures: TIFF, JPEG and PNG files made by ImageMagick
# and libtiff's tiffcp from pattern.ppm, and for each the pixels ImageMagick
# reads from it (X.rgb; X.cmyk for CMYK files; X.alpha for files with alpha).
# Usage: make_codec_fixtures.sh pattern.ppm out-folder convert [tiffcp]
set -eu
P="$1"; OUT="$2"; CONVERT="$3"; TIFFCP="${4:-}"
mkdir -p "$OUT"
cd "$OUT"
cp "$P" pattern.ppm
P=pattern.ppm
ALPHA="( +clone -colorspace gray ) -compose copy_opacity -composite"

"$CONVERT" $P -compress none im_rgb.tif
"$CONVERT" $P -compress lzw im_lzw.tif
"$CONVERT" $P -compress zip im_zip.tif
"$CONVERT" $P -colorspace gray -type grayscale im_grey.tif
"$CONVERT" $P -colorspace gray -type grayscale -depth 4 im_grey4.tif
"$CONVERT" $P -threshold 50% -type bilevel -depth 1 -compress none im_bilevel.tif
"$CONVERT" $P -threshold 50% -type bilevel -depth 1 -compress group4 im_g4.tif
"$CONVERT" $P -type palette im_palette.tif
"$CONVERT" $P -colors 12 -type palette -depth 4 im_palette4.tif
"$CONVERT" $P -colorspace cmyk im_cmyk.tif
"$CONVERT" $P $ALPHA im_rgba.tif

"$CONVERT" $P -quality 95 im.jpg
"$CONVERT" $P -colorspace gray -type grayscale im_grey.jpg
"$CONVERT" $P -colorspace cmyk im_cmyk.jpg
"$CONVERT" $P -interlace JPEG im_progressive.jpg

"$CONVERT" $P png24:im.png
"$CONVERT" $P -colorspace gray -type grayscale im_grey.png
"$CONVERT" $P png8:im_palette.png
"$CONVERT" $P $ALPHA png32:im_rgba.png
"$CONVERT" $P -interlace PNG png24:im_interlaced.png
"$CONVERT" $P -depth 16 png48:im_48.png
"$CONVERT" $P -threshold 50% -type bilevel -depth 1 im_bilevel.png
"$CONVERT" $P -transparent "rgb(255,0,0)" png8:im_trns.png
"$CONVERT" $P $ALPHA -colorspace gray -type grayscalealpha png:im_grey_alpha.png

if [ -n "$TIFFCP" ]; then
  "$TIFFCP" -p separate im_rgb.tif tc_separate.tif
  "$TIFFCP" -r 2 -c lzw:2 im_rgb.tif tc_strips.tif
  "$TIFFCP" -c jpeg -r 16 im_rgb.tif tc_jpeg.tif
  "$TIFFCP" -t -w 16 -l 16 im_rgb.tif tc_tiled.tif
  "$TIFFCP" -c none im_g4.tif tc_g4_plain.tif
fi

for f in *.tif *.jpg *.png; do
  "$CONVERT" "$f" -depth 8 "rgb:$f.rgb"
done
for f in im_cmyk.tif im_cmyk.jpg; do
  "$CONVERT" "$f" -depth 8 "cmyk:$f.cmyk"
done
for f in im_rgba.tif im_rgba.png im_grey_alpha.png tc_jpeg.tif; do
  if [ -f "$f" ]; then "$CONVERT" "$f" -alpha extract -depth 8 "gray:$f.alpha"; fi
done
touch stamp
