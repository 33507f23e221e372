#!/bin/bash
# Takes screenshots of the editor and the browser on a private Xvfb display,
# driving them with xdotool. Run by hand; not part of the tests.
#
#   scripts/shots.sh [output folder]        (default build/shots/)
#
# Wine runs in its own prefix (build/shots-prefix, or DARNA_SHOT_PREFIX). The
# program folder (DARNA_BUILD/dist, built beforehand) is copied into the
# prefix's drive C: with the test pictures (C:\darna-shots), so that the
# settings files the programs write at exit stay out of the build and the
# browser's folder tree shows the same folders on every run. Pictures written:
#   editor_first_start.png        the editor's first start with a photo, from
#                                 the program folder's default settings
#   editor_two_canvases.png       two photos (the second handed over by a second
#                                 start) and a new canvas at 200 %, tiled
#   exif_dialog.png               the EXIF dialog of the first photo
#   strokes_and_pen_panel.png     strokes of several pens and tools, control panel
#   rulers_and_layer_options.png  millimetre rulers and the layer options dialog
#   browser.png                   the browser showing a folder of twelve photos
#   slideshow.png                 the full view of the selected photos with its bar
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${DARNA_BUILD:-$ROOT/build}"
DIST="$BUILD/dist"
OUT="${1:-$ROOT/build/shots}"
PREFIX="${DARNA_SHOT_PREFIX:-$ROOT/build/shots-prefix}"
SLOW="${DARNA_SHOT_SLOW:-1}"   # multiplies every pause

for tool in xdotool xwd xwininfo convert exiftool python3 Xvfb; do
  command -v "$tool" >/dev/null || { echo "shots: $tool is missing" >&2; exit 1; }
done
[ -f "$DIST/darnaedit.exe" ] && [ -f "$DIST/exp/darnaview.exe" ] ||
  { echo "shots: no program folder at $DIST (run scripts/build.sh x86_64 first)" >&2; exit 1; }
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"

pause() { sleep "$(awk -v s="$1" -v k="$SLOW" 'BEGIN { print s * k }')"; }

# --- Wine, test pictures and the program folder ----------------------------

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
darna_xvfb_start
darna_wine_prefix "$PREFIX"

WORK="$PREFIX/drive_c/darna-shots"
rm -rf "$WORK"
mkdir -p "$WORK/photos"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -f "$FONT" ] || FONT=DejaVu-Sans-Bold

convert -size 1600x1200 gradient:'#3060c0-#f0c080' \
  -fill '#208040' -draw 'circle 500,700 500,950' \
  -fill '#c03030' -draw 'rectangle 900,300 1400,800' \
  -font "$FONT" -fill white -stroke black -strokewidth 3 -pointsize 120 -draw "text 150,250 'DARNA 2026'" \
  -quality 90 "$WORK/photo1.jpg"
exiftool -q -overwrite_original -Make=Canon -Model='Canon EOS 5D' \
  -DateTimeOriginal='2026:05:03 14:22:10' -ExposureTime=1/125 -FNumber=5.6 -ISO=200 "$WORK/photo1.jpg"
convert -size 1600x1200 radial-gradient:'#ffe080-#a02060' \
  -fill '#2050d0' -draw 'polygon 200,1000 800,200 1400,1000' \
  -font "$FONT" -fill white -pointsize 100 -draw "text 400,1120 'second photo'" \
  -quality 90 "$WORK/photo2.jpg"
exiftool -q -overwrite_original -Make=NIKON -Model='NIKON D750' \
  -DateTimeOriginal='2026:06:21 09:05:44' "$WORK/photo2.jpg"

colours=(red orange gold green teal skyblue navy purple magenta brown gray olive)
for i in "${!colours[@]}"; do
  c=${colours[$i]}
  n=$(printf %02d $((i + 1)))
  convert -size 800x600 gradient:"$c"-white \
    -fill 'rgba(0,0,0,0.35)' -draw "circle $((100 + i * 50)),300 $((100 + i * 50)),$((400 - i * 10))" \
    -fill white -stroke black -strokewidth 6 -font "$FONT" -pointsize 260 -draw "text 420,560 '$((i + 1))'" \
    -quality 88 "$WORK/photos/img_$n.jpg"
done

PROG="$WORK/prog"
cp -r "$DIST" "$PROG"

# The program folder starts with its own default settings; only the browser's
# folder history is given, so that it starts in the photo folder.
python3 - "$PROG" 'C:\darna-shots\photos\' <<'EOF'
import sys
prog, photos = sys.argv[1], sys.argv[2]
hist = bytearray(25700)
p = photos.encode('ascii')
hist[:len(p)] = p
open(prog + '/exp/phist.dat', 'wb').write(hist)
EOF

# --- the display ------------------------------------------------------------

APPS=()
stop_apps() {
  local p
  for p in "${APPS[@]}"; do kill "$p" >/dev/null 2>&1 || true; done
  for p in "${APPS[@]}"; do wait "$p" 2>/dev/null || true; done
  APPS=()
}
# The programs started here are ended first.
trap 'stop_apps; darna_wine_stop' EXIT
trap 'stop_apps; darna_wine_stop; trap - EXIT; exit 130' INT
trap 'stop_apps; darna_wine_stop; trap - EXIT; exit 143' TERM HUP

darna_wineserver_start
echo "shots: display $DISPLAY, pictures into $OUT"

# --- helpers ----------------------------------------------------------------

# Waits for a visible window whose name matches the pattern; prints its id.
wait_window() {   # pattern [seconds]
  local i id
  for i in $(seq 1 $((${2:-20} * 4))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.25
  done
  echo "shots: no window \"$1\"" >&2
  return 1
}

# Waits until no visible window matches the pattern.
wait_gone() {   # pattern [seconds]
  local i
  for i in $(seq 1 $((${2:-20} * 4))); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}

shot() {   # file name
  darna_screen_shot "$OUT/$1"
  echo "shots: $OUT/$1"
}

key() { xdotool key --delay 60 "$@"; pause 0.4; }

# A menu command through the keyboard: Alt+menu letter, then the item letters.
menu() { xdotool key "alt+$1"; pause 0.6; shift; key "$@"; }

click() { xdotool mousemove "$1" "$2"; pause 0.2; xdotool click 1; pause 0.5; }

# A left-button drag through the given points (x y x y ...), in small steps.
drag() {
  local x=$1 y=$2 nx ny s
  shift 2
  xdotool mousemove "$x" "$y"; pause 0.2
  xdotool mousedown 1; pause 0.2
  while [ $# -ge 2 ]; do
    nx=$1 ny=$2
    shift 2
    for s in 1 2 3 4 5 6 7 8; do
      xdotool mousemove $((x + (nx - x) * s / 8)) $((y + (ny - y) * s / 8))
      sleep 0.03
    done
    x=$nx y=$ny
  done
  pause 0.2
  xdotool mouseup 1; pause 0.6
}

# Geometry of a window as X Y W H.
geometry() { xdotool getwindowgeometry --shell "$1" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/ { printf "%s ", $2 }'; }

# Answers the editor's three-button question (はい / いいえ / ｷｬﾝｾﾙ, 208 x 80
# dialog units, いいえ centred at 129, 70) with No, clicking the button.
answer_no() {   # window id
  local x y w h
  read -r x y w h <<<"$(geometry "$1")"
  click $((x + w * 129 / 208)) $((y + h - 3 - (h - 22) * 10 / 80))
}

# The editor's question boxes carry the frame's title but are far smaller.
question_box() {
  local id x y w h
  for id in $(xdotool search --onlyvisible --name '^Darna Studio for Tabrix$' 2>/dev/null); do
    read -r x y w h <<<"$(geometry "$id")"
    if [ "$w" -lt 600 ] && [ "$h" -lt 300 ]; then echo "$id"; return 0; fi
  done
  return 1
}

# --- the editor -------------------------------------------------------------

EDITOR='^Darna Studio for Tabrix'
cd "$PROG"
"$WINE64" darnaedit.exe 'C:\darna-shots\photo1.jpg' >/dev/null 2>&1 &
APPS+=($!)
wait_window "$EDITOR" 40 >/dev/null
pause 4
shot editor_first_start.png

# A second start hands its file to the running editor and ends.
"$WINE64" darnaedit.exe 'C:\darna-shots\photo2.jpg' >/dev/null 2>&1 || true
pause 3

# File > New: 320 x 240 pixels, then 200 % (View > 表示倍率 > 200%).
key ctrl+n
wait_window '^新規作成$' 20 >/dev/null
pause 0.5
xdotool type --delay 60 320; key Tab ctrl+a; xdotool type --delay 60 240; pause 0.3
key Return
wait_gone '^新規作成$' 10
pause 1.5
menu v z Down Down Down Down Down Down Return
pause 1
# Window > Tile (Shift+F4).
key shift+F4
pause 2
shot editor_two_canvases.png

# The first photo (Window menu item 1) and View > Exif情報.
menu w 1
pause 1
menu v x
wait_window '^Exif情報$' 20 >/dev/null
pause 1.5
shot exif_dialog.png
key Return
wait_gone '^Exif情報$' 10

# The new canvas (the left one of the tiled windows), maximised in the frame by
# a double click on its caption (the control panel is shown from the start).
menu w 3
pause 1
xdotool mousemove 250 146; pause 0.2; xdotool click --repeat 2 --delay 80 1; pause 1.5

# Positions on the 1280 x 1024 screen with the frame maximised: the tool bar at
# the left (52 x 44 buttons), its page tabs above, the colour panel's hue field
# and the pen list (48-pixel cells, five a row) at the right, and the 640 x 480
# view of the canvas in the middle (213..853, 362..842).
TAB_PAINT=(66 120) TAB_CORRECT=(324 120)
TOOL_PEN=(31 254) TOOL_ERASER=(31 300) TOOL_CLONE=(31 259)
pen() { click $((1041 + 48 * ($1 % 5))) $((537 + 48 * ($1 / 5))); }
hue() { click "$1" 255; }   # x along the hue field: 1020 red .. 1200 magenta

hue 1022; pen 2
drag 250 394 340 374 430 404 520 374 610 404 700 374
hue 1100; pen 3
drag 250 464 360 439 470 484 580 439 700 464
hue 1160; pen 4
drag 250 534 370 509 490 554 610 509 720 534
hue 1045; pen 7
drag 260 609 380 584 500 629 620 584 720 609
hue 1190; pen 5
drag 790 384 820 484 780 584 820 684 790 804
hue 1130; pen 6
drag 250 684 400 704 560 674 720 694
# The eraser across the first three strokes.
click "${TOOL_ERASER[@]}"
drag 455 364 465 564
# The clone brush (on the correction page): Shift+drag from the source to the
# target sets its offset, then a stroke copies the second stroke lower down.
click "${TAB_CORRECT[@]}"
click "${TOOL_CLONE[@]}"
pen 8
xdotool keydown shift; pause 0.2
drag 400 464 400 774
xdotool keyup shift; pause 0.3
drag 250 774 480 764 700 779
click "${TAB_PAINT[@]}"
click "${TOOL_PEN[@]}"
pen 3
# Hiding and showing the control panel lays the canvas out again, which clears
# the brush outline left where the pointer last was on it.
xdotool mousemove 640 960
menu v t
pause 1
menu v t
pause 2
shot strokes_and_pen_panel.png

# View > ルーラーの設定: millimetres; then Image > レイヤーオプション.
menu v r
wait_window '^ルーラー$' 20 >/dev/null
pause 0.5
key alt+m Return
wait_gone '^ルーラー$' 10
pause 1.5
menu i p
wait_window '^レイヤーオプション$' 20 >/dev/null
pause 1.5
shot rulers_and_layer_options.png
key Escape
wait_gone '^レイヤーオプション$' 10

# File > 終了; the painted canvas asks whether to save: No.
menu f x
for i in 1 2 3; do
  pause 1.5
  q=$(question_box) || break
  answer_no "$q"
done
wait_gone "$EDITOR" 20 || echo "shots: the editor did not end" >&2
stop_apps

# --- the browser ------------------------------------------------------------

BROWSER='ファイル一覧$'
cd "$PROG"
"$WINE64" 'exp\darnaview.exe' >/dev/null 2>&1 &
APPS+=($!)
wait_window "$BROWSER" 40 >/dev/null
pause 8
# The title box of the first folder: OK.
key Return
pause 1
# A click on the caption makes the frame the active window.
click 640 8
xdotool mousemove 640 900
pause 1
shot browser.png
# Every photo selected, then the full view steps through them.
key ctrl+a
menu v v
pause 4
shot slideshow.png
key Escape
pause 1.5
menu f x
wait_gone "$BROWSER" 20 || echo "shots: the browser did not end" >&2
stop_apps

cd "$ROOT"
rm -rf "$WORK"
echo "shots: done"
