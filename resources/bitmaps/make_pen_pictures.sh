#!/bin/sh
# Draws the XPM sources of the pen pictures with ImageMagick: the seven tip
# buttons of the brush editor (p_pen1..p_pen7, each plain "_", pressed "__"
# and greyed "___"), the tabs of the pen option panel (pal0_tab1..pal2_tab2:
# 1 the current tab, 2 the others) and the two line-end shapes of the
# line-width page (p_c round, p_b square). Run once after changing a picture;
# the build converts the committed .xpm files. Usage: make_pen_pictures.sh [outdir]
set -eu
OUT="${1:-$(dirname "$0")}"

name() { sed -i "s/^static char \*[^[]*\[\]/static char *$1[]/" "$OUT/$1.xpm"; }

# tip KIND(1..7) SUFFIX FACE INK ACCENT: a 24 x 24 button face with a sketch of
# the tip: soft, hard, spray, square, and edge pens with a thinner rim each.
tip() {
  k=$1; suffix=$2; face=$3; ink=$4; accent=$5
  case $k in
    1) set -- -fill "$accent" -draw 'circle 12,12 12,4' -fill "$ink" -draw 'circle 12,12 12,9' ;;
    2) set -- -fill "$ink" -draw 'circle 12,12 12,5' ;;
    3) set -- -fill "$ink" -draw 'point 6,8' -draw 'point 9,5' -draw 'point 14,6' -draw 'point 17,9' \
         -draw 'point 7,13' -draw 'point 11,10' -draw 'point 12,14' -draw 'point 16,13' \
         -draw 'point 9,17' -draw 'point 14,18' -draw 'point 18,16' -draw 'point 5,11' ;;
    4) set -- -fill "$ink" -draw 'rectangle 6,6 17,17' ;;
    5) set -- -fill "$accent" -draw 'circle 12,12 12,4' -fill "$ink" -draw 'circle 12,12 12,7' ;;
    6) set -- -fill "$accent" -draw 'circle 12,12 12,4' -fill "$ink" -draw 'circle 12,12 12,6' ;;
    7) set -- -fill "$accent" -draw 'circle 12,12 12,4' -fill "$ink" -draw 'circle 12,12 12,5' ;;
  esac
  convert -size 24x24 xc:"$face" +antialias -stroke none "$@" \
    -fill none -stroke '#8890A0' -draw 'rectangle 0,0 23,23' +dither -colors 8 \
    "xpm:$OUT/p_pen$k$suffix.xpm"
  name "p_pen$k$suffix"
}
# Soft tips show their falloff in grey, edge pens (5 to 7) their rim in red.
for k in 1 2 3 4 5 6 7; do
  rim='#909090'; pressedRim='#6080A0'
  if [ $k -ge 5 ]; then rim='#C83C3C'; pressedRim='#C83C3C'; fi
  tip $k _ '#E0DFE3' '#282828' "$rim"
  tip $k __ '#B9D0DE' '#102040' "$pressedRim"
  tip $k ___ '#E0DFE3' '#A8A8A8' '#C8C8C8'
done

# tab N WIDTH: the current tab (blue ramp) and the others (grey ramp).
tab() {
  w=$2; r=$(($w - 1))
  convert -size ${w}x24 gradient:'#6C9CF0-#2C5AA8' -fill none -stroke '#1C3A70' -draw "rectangle 0,0 $r,23" \
    +dither -colors 16 "xpm:$OUT/pal$1_tab1.xpm"
  convert -size ${w}x24 gradient:'#F4F4F8-#C8CAD2' -fill none -stroke '#9096A4' -draw "rectangle 0,0 $r,23" \
    +dither -colors 16 "xpm:$OUT/pal$1_tab2.xpm"
  name "pal$1_tab1"
  name "pal$1_tab2"
}
tab 0 64
tab 1 100
tab 2 100

# Line ends: round and square.
convert -size 16x16 xc:'#F4F4F8' -fill '#202020' -draw 'circle 7,7 7,2' -fill none -stroke '#8890A0' \
  -draw 'rectangle 0,0 15,15' +antialias +dither -colors 4 "xpm:$OUT/p_c.xpm"
convert -size 16x16 xc:'#F4F4F8' -fill '#202020' -draw 'rectangle 3,3 12,12' -fill none -stroke '#8890A0' \
  -draw 'rectangle 0,0 15,15' +antialias +dither -colors 4 "xpm:$OUT/p_b.xpm"
name p_c
name p_b
