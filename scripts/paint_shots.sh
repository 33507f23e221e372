#!/bin/bash
# Screenshots of painting in the editor's frame on a private Xvfb display. Run
# by hand; not part of the tests.
#
#   scripts/paint_shots.sh [output folder]        (default build/shots/)
#
# Runs the frame's screenshot scene (the disabled test
# PaintFrame.DISABLED_ScreenshotScene of test_app_instruments, built
# beforehand), which paints on a canvas of the running frame: a gradient fill,
# vertical outlined text, outlined text, a framed sticker text and a roller
# stroke, opening the gradient dialog, the text dialog and the roller's resize
# dialog on the way. The scene asks for each picture by writing NAME.ready
# into the output folder and keeps its windows drawn until this script has
# taken the picture (darna_screen_shot) and deleted the file. Pictures
# written (PNG):
#   gradient_dialog.png, text_dialog.png, roller_dialog.png
#                           the screen while each dialog is open
#   canvas_roller_page.png  the canvas with all of the above, the pen panel on
#                           its roller page
#   canvas_stamp_page.png   the same with the fancy-pen page
#   tone_selector.png       the tone selector window over it, a swatch chosen
# With DARNA_SHOT_SCENE=PaintFrame.DISABLED_AdjustmentScene it runs the
# adjustment scene instead, on a photo: effect_dialog.png, tone_curve_dialog.png,
# colour_correction_dialog.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${DARNA_BUILD:-$ROOT/build}"
OUT="${1:-$BUILD/shots}"
PREFIX="${DARNA_SHOT_PREFIX:-$BUILD/shots-prefix}"
TEST="$BUILD/tests/test_app_instruments.exe"

for tool in xwd xwininfo convert Xvfb; do
  command -v "$tool" >/dev/null || { echo "paint shots: $tool is missing" >&2; exit 1; }
done
[ -f "$TEST" ] || { echo "paint shots: no $TEST (build the tests first)" >&2; exit 1; }
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
rm -f "$OUT"/*.ready

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
darna_xvfb_start
darna_wine_prefix "$PREFIX"
darna_wineserver_start
echo "paint shots: display $DISPLAY, pictures into $OUT"

DARNA_PAINT_SHOTS="$(winepath_w "$OUT")" "$WINE64" "$TEST" --gtest_color=no \
  --gtest_also_run_disabled_tests --gtest_filter="${DARNA_SHOT_SCENE:-PaintFrame.DISABLED_ScreenshotScene}" >"$OUT/scene.log" 2>&1 &
scene=$!
trap 'kill "$scene" 2>/dev/null || true; darna_wine_stop' EXIT

while kill -0 "$scene" 2>/dev/null; do
  for ready in "$OUT"/*.ready; do
    [ -e "$ready" ] || continue
    name="$(basename "$ready" .ready)"
    darna_screen_shot "$OUT/$name.png"
    echo "paint shots: $OUT/$name.png"
    rm -f "$ready"
  done
  sleep 0.2
done
status=0
wait "$scene" || status=$?
if [ "$status" -ne 0 ]; then
  echo "paint shots: the scene failed ($status); see $OUT/scene.log" >&2
  exit "$status"
fi
echo "paint shots: done"
