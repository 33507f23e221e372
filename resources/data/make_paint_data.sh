#!/bin/sh
# Draws the data the program folder ships for the pen's pages, from the shapes
# written out below (ImageMagick draw primitives): make_paint_data.sh OUTDIR
#   OUTDIR/stamp/*.png          fancy-pen stamps (transparent background)
#   OUTDIR/koro/_NAME/NNN.png   roller stamps, several frames each
#   OUTDIR/ttexture/*.bmp       screen tones and paper textures (grey)
set -eu
OUT="$1"
CONVERT="${CONVERT:-convert}"
mkdir -p "$OUT/stamp" "$OUT/koro" "$OUT/ttexture"

# stamp NAME SIZE FILL STROKE DRAW...: one shape on a transparent square.
stamp() {
  name=$1; size=$2; fill=$3; stroke=$4; shift 4
  "$CONVERT" -size "${size}x${size}" xc:none -fill "$fill" -stroke "$stroke" -strokewidth 2 \
    -draw "$*" "PNG32:$OUT/stamp/$name.png"
}

star5() {   # points of a five-pointed star in a box of side $1
  awk -v s="$1" 'BEGIN { c = s / 2; ro = s * 0.46; ri = s * 0.19; p = "";
    for (i = 0; i < 10; i++) { r = (i % 2) ? ri : ro; a = -1.5707963 + i * 3.14159265 / 5;
      p = p sprintf("%.1f,%.1f ", c + r * cos(a), c + r * sin(a)) } print p }'
}

heart() {   # a heart outline as a polygon in a box of side $1
  awk -v s="$1" 'BEGIN { p = ""; for (i = 0; i < 64; i++) { t = i * 6.2831853 / 64;
      x = 16 * sin(t) ^ 3; y = 13 * cos(t) - 5 * cos(2 * t) - 2 * cos(3 * t) - cos(4 * t);
      p = p sprintf("%.1f,%.1f ", s / 2 + x * s / 36, s / 2.2 - y * s / 36) } print p }'
}

moon() {    # a crescent: the left side of one circle, back along a smaller one
  awk -v s="$1" 'BEGIN { c = s / 2; R = s * 0.42; p = "";
    for (i = 0; i <= 32; i++) { a = 1.0472 + i * 4.18879 / 32; p = p sprintf("%.1f,%.1f ", c + R * cos(a), c + R * sin(a)) }
    for (i = 32; i >= 0; i--) { a = 1.0472 + i * 4.18879 / 32;
      p = p sprintf("%.1f,%.1f ", c + s * 0.12 + R * 0.85 * cos(a), c + R * 0.85 * sin(a)) }
    print p }'
}

flower() {  # five round petals around a centre
  awk -v s="$1" 'BEGIN { c = s / 2; r = s * 0.17; d = s * 0.22; p = "";
    for (i = 0; i < 5; i++) { a = -1.5707963 + i * 6.2831853 / 5;
      x = c + d * cos(a); y = c + d * sin(a); p = p sprintf("circle %.1f,%.1f %.1f,%.1f ", x, y, x + r, y) }
    print p }'
}

stamp star 64 '#ffd020' '#c08000' "polygon $(star5 64)"
stamp star_pink 64 '#ff70b0' '#c02070' "polygon $(star5 64)"
stamp heart 64 '#ff3050' '#a00020' "polygon $(heart 64)"
stamp heart_blue 64 '#60a0ff' '#2050c0' "polygon $(heart 64)"
stamp dot 48 '#3070f0' '#1040a0' "circle 24,24 24,4"
stamp dot_green 48 '#40c060' '#208040' "circle 24,24 24,4"
stamp leaf 64 '#50b040' '#2a7020' "ellipse 32,32 26,12 0,360 line 6,32 58,32"
stamp arrow 64 '#f08030' '#a04010' "polygon 4,24 36,24 36,8 60,32 36,56 36,40 4,40"
stamp diamond 64 '#60e0f0' '#2090b0' "polygon 32,4 58,32 32,60 6,32"
stamp flower 64 '#ff90c0' '#c05080' "$(flower 64) fill #ffe040 circle 32,32 32,24"
stamp moon 64 '#f8e060' '#b09020' "polygon $(moon 64)"
stamp cloud 64 '#ffffff' none "circle 22,36 22,22 circle 40,30 40,14 circle 50,40 50,28 rectangle 16,36 52,50"
stamp drop 64 '#50a0ff' '#2060c0' "path 'M 32,4 C 32,4 12,30 12,42 A 20,20 0 0 0 52,42 C 52,30 32,4 32,4 Z'"
stamp note 64 '#404040' '#202020' "ellipse 20,50 10,7 0,360 rectangle 28,10 31,50 polygon 31,10 50,18 50,24 31,16"
stamp ring 64 none '#e05090' "stroke-width 6 circle 32,32 32,10"
# Opaque squares too: a stamp without transparency.
"$CONVERT" -size 32x32 xc:'#f0c0c0' -fill '#c04040' -draw "rectangle 8,8 23,23" "PNG24:$OUT/stamp/block.png"

# roller NAME FRAMES...: each frame one shape of the cycle.
roller() {
  name=$1; shift
  mkdir -p "$OUT/koro/_$name"
  n=1
  for spec in "$@"; do
    fill=${spec%%|*}; draw=${spec#*|}
    "$CONVERT" -size 48x48 xc:none -fill "$fill" -stroke '#00000060' -strokewidth 1 -draw "$draw" \
      "PNG32:$OUT/koro/_$name/$(printf '%03d' $n).png"
    n=$((n + 1))
  done
}
S48="polygon $(star5 48)"
H48="polygon $(heart 48)"
roller stars "#ffd020|$S48" "#ff7040|$S48" "#ff40a0|$S48" "#40a0ff|$S48"
roller hearts "#ff3050|$H48" "#ff80a0|$H48" "#c040ff|$H48"
roller dots "#3070f0|circle 24,24 24,6" "#40c060|circle 24,24 24,10" "#f0a020|circle 24,24 24,14" \
  "#f04040|circle 24,24 24,10"
roller footprints "#806040|ellipse 16,28 8,14 0,360 circle 12,10 12,7 circle 20,10 20,7" \
  "#806040|ellipse 32,20 8,14 0,360 circle 28,40 28,37 circle 36,40 36,37"

# Screen tones: small grey tiles, black where the tone paints.
tone() {
  name=$1; size=$2; shift 2
  "$CONVERT" -size "${size}x${size}" xc:white -fill black -stroke none -draw "$*" -type Grayscale \
    "BMP3:$OUT/ttexture/$name.bmp"
}
tone 01_dots_small 6 "circle 3,3 3,2"
tone 02_dots_large 10 "circle 5,5 5,2"
tone 03_lines_h 6 "rectangle 0,0 5,1"
tone 04_lines_diag 8 "line 0,0 7,7 line 0,7 0,7"
tone 05_crosshatch 8 "line 0,0 7,7 line 7,0 0,7"
tone 06_grid 8 "rectangle 0,0 7,0 rectangle 0,0 0,7"
# Paper textures: seeded noise, blurred, as grey pictures.
"$CONVERT" -seed 7 -size 128x128 xc:gray80 +noise Random -blur 0x1.2 -colorspace Gray -level 55%,95% \
  -type Grayscale "BMP3:$OUT/ttexture/paper_drawing.bmp"
"$CONVERT" -seed 11 -size 128x128 xc:gray70 +noise Random -motion-blur 0x6+90 -colorspace Gray -level 50%,95% \
  -type Grayscale "BMP3:$OUT/ttexture/paper_canvas.bmp"
"$CONVERT" -seed 13 -size 128x128 xc:gray75 +noise Random -blur 0x3 -colorspace Gray -level 60%,90% \
  -type Grayscale "BMP3:$OUT/ttexture/paper_japanese.bmp"
