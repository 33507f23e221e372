#!/bin/bash
# The pen in the running editor (darnaedit.exe on the test display), driven by
# xdotool: a drag on a canvas leaves a stroke of the pen colour along its path,
# a Shift-click one dab, Undo removes exactly what was painted and Redo puts it
# back, and choosing another pen in the pen panel changes the next stroke.
# Usage: stroke_e2e.sh path/to/dist/darnaedit.exe (run by ctest inside the Wine
# environment of scripts/ctest.sh). The last screenshot is kept beside the
# executable's build folder as paint_e2e.png.
set -euo pipefail
EXE="$1"
. "$(dirname "$0")/e2e_editor.sh"
xdotool mousemove 46 274 click 1   # the pen tool of the second tool bar
sleep 1
shot before
read -r L T R B <<< "$($PX box "$DIR/before.ppm")"
echo "canvas on the screen: $L $T $R $B"
y=$((T + 60)); x0=$((L + 40)); x1=$((L + 240))

# A drag: a stroke along the path, nothing beside it.
xdotool mousemove $x0 $y mousedown 1
for x in $(seq $x0 4 $x1); do xdotool mousemove $x $y; sleep 0.01; done
xdotool mouseup 1
sleep 1
shot stroke
check "stroke on its path" "$($PX grey "$DIR/stroke.ppm" $((L + 140)) $y)" -lt 200
check "nothing beside it" "$($PX painted "$DIR/stroke.ppm" $L $((y + 8)) $R $((y + 40)))" -eq 0

# Shift-click: one dab.
dy=$((T + 120)); dx=$((L + 140))
xdotool keydown shift mousemove $dx $dy mousedown 1
sleep 0.3
xdotool mouseup 1 keyup shift
sleep 1
shot dab
n=$($PX painted "$DIR/dab.ppm" $((dx - 20)) $((dy - 20)) $((dx + 20)) $((dy + 20)))
check "one dab" "$n" -ge 1
check "one dab, small" "$n" -le 16

# Undo twice: the canvas as it was; Redo: the stroke again, exactly.
xdotool key ctrl+z; sleep 1; shot undo1
check "undo removes the dab" "$($PX same "$DIR/undo1.ppm" "$DIR/stroke.ppm" $L $T $R $B)" -eq 1
xdotool key ctrl+z; sleep 1; shot undo2
check "undo removes the stroke" "$($PX same "$DIR/undo2.ppm" "$DIR/before.ppm" $L $T $R $B)" -eq 1
xdotool key ctrl+y; sleep 1; shot redo
check "redo restores the stroke" "$($PX same "$DIR/redo.ppm" "$DIR/stroke.ppm" $L $T $R $B)" -eq 1

# Another pen from the panel: the next stroke is wider.
xdotool mousemove 1034 552 click 1
sleep 1
y2=$((T + 160))
xdotool mousemove $x0 $y2 mousedown 1
for x in $(seq $x0 4 $x1); do xdotool mousemove $x $y2; sleep 0.01; done
xdotool mouseup 1
sleep 1
shot wide
thin=$($PX painted "$DIR/redo.ppm" $((L + 140)) $((y - 10)) $((L + 140)) $((y + 10)))
wide=$($PX painted "$DIR/wide.ppm" $((L + 140)) $((y2 - 15)) $((L + 140)) $((y2 + 15)))
check "the small pen's stroke is thin" "$thin" -le 3
check "the chosen pen's stroke is wide" "$wide" -ge 10
convert "$DIR/wide.ppm" "$(dirname "$(dirname "$EXE")")/paint_e2e.png" || true
exit $fail
