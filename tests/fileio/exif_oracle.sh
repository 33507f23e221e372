#!/bin/bash
# The EXIF model against exiftool:
#   1. exiftool writes camera-like EXIF data (both byte orders, GPS, tags our
#      dictionaries lack, a thumbnail) into JPEG and TIFF files;
#   2. test_exif (ExifOracle.*) reads them, dumps every entry, checks that
#      pack, unpack, pack is byte-stable, and saves a new picture through our
#      writers with each file's EXIF data embedded;
#   3. every tag's value in the dump must be what exiftool reads, the saved
#      files must carry the original tags, a 160 x 120 thumbnail (JPEG) and
#      pass `exiftool -validate` without errors.
# Usage: exif_oracle.sh path/to/test_exif.exe (run by ctest in the Wine
# environment of scripts/ctest.sh).
set -euo pipefail
EXE="$1"
WINE="${WINELOADER:-/usr/lib/wine/wine64}"
HERE="$(cd "$(dirname "$0")" && pwd)"
DIR="$(mktemp -d)"
trap 'rm -rf "$DIR"' EXIT
cd "$DIR"

TAGS=(-Make=Canon "-Model=EOS Test" -Software=exif-oracle -Artist=Tester "-Copyright=(c) Tester"
  -Orientation#=1 -XResolution=300 -YResolution=300 -ResolutionUnit#=2
  "-DateTimeOriginal=2024:05:06 07:08:09" "-CreateDate=2024:05:06 07:08:10" -SubSecTimeOriginal=42
  -ExposureTime=1/250 -FNumber=5.6 -ApertureValue=5.0 -MaxApertureValue=3.0 -ISO=200
  -ExposureCompensation=-0.67 -Flash#=16 -FocalLength=35 -MeteringMode#=5 -WhiteBalance#=0
  -ColorSpace#=1 -ExifVersion=0230 "-ComponentsConfiguration#=1 2 3 0" -UserComment=hello
  -GPSLatitude=35.5 -GPSLatitudeRef=N -GPSLongitude=139.7 -GPSLongitudeRef=E -GPSAltitude=40
  -GPSAltitudeRef#=0 -GPSMapDatum=WGS-84 -InteropIndex=R98
  "-LensModel=Lens 50" -BodySerialNumber=12345 -OffsetTime=+09:00 -Rating=3)

convert -size 64x48 gradient:red-blue thumb.jpg
convert -size 320x240 gradient:red-blue -quality 85 base.jpg
cp base.jpg le.jpg
cp base.jpg be.jpg
convert -size 320x240 gradient:red-blue -compress none -endian LSB le.tif
convert -size 320x240 gradient:red-blue -compress none -endian MSB be.tif
exiftool -q -overwrite_original -ExifByteOrder=II "${TAGS[@]}" "-ThumbnailImage<=thumb.jpg" le.jpg
exiftool -q -overwrite_original -ExifByteOrder=MM "${TAGS[@]}" "-ThumbnailImage<=thumb.jpg" be.jpg
exiftool -q -overwrite_original "${TAGS[@]}" le.tif
exiftool -q -overwrite_original "${TAGS[@]}" be.tif
printf '%s\n' le.jpg be.jpg le.tif be.tif > files.txt

WINDIR="Z:$(echo "$DIR" | tr / '\\')"
fail=0
DARNA_EXIF_DIR="$WINDIR" "$WINE" "$EXE" --gtest_filter='ExifOracle.*' --gtest_color=no || fail=1

for f in le.jpg be.jpg le.tif be.tif; do
  exiftool -j -n -D -G1 -u "$f" > "$f.json"
  s="${f%.*}_saved.${f##*.}"
  [ -f "$s" ] && exiftool -j -n -D -G1 -u "$s" > "$s.json"
done
perl "$HERE/exif_oracle.pl" "$DIR" || fail=1

for s in le_saved.jpg be_saved.jpg le_saved.tif be_saved.tif; do
  [ -f "$s" ] || { echo "FAIL $s was not written"; fail=1; continue; }
  report="$(exiftool -validate -warning -error -a "$s" 2>&1)"
  echo "$s: $(echo "$report" | tr '\n' ' ')"
  if echo "$report" | grep -qi '^Error'; then echo "FAIL $s: exiftool -validate reports an error"; fail=1; fi
  if [[ "$s" == *.jpg ]]; then
    exiftool -b -ThumbnailImage "$s" > "$s.thumb.jpg"
    size="$(identify -format '%w x %h' "$s.thumb.jpg" 2>/dev/null || echo none)"
    if [ "$size" = "160 x 120" ]; then echo "ok   $s thumbnail $size"; else echo "FAIL $s thumbnail: $size"; fail=1; fi
  fi
  # The picture itself is intact after the rewrite.
  if convert "$s" -format '%w x %h' info: 2>/dev/null | grep -q '320 x 240'; then echo "ok   $s decodes";
  else echo "FAIL $s does not decode"; fail=1; fi
done
exit $fail
