#!/bin/bash
# The selection tools in the running editor (darnaedit.exe on the test
# display), driven by xdotool: Ctrl+A chooses the rectangle tool, a drag makes a
# rectangle selection, Ctrl+L draws its outline with the pen (nothing inside or
# outside it), Ctrl+Z takes the outline away again, and the menu's fill paints
# the inside only.
# Usage: select_e2e.sh path/to/dist/darnaedit.exe (run by ctest inside the Wine
# environment of scripts/ctest.sh). The last screenshot is kept beside the
# executable's build folder as select_e2e.png.
set -euo pipefail
EXE="$1"
. "$(dirname "$0")/../paint/e2e_editor.sh"
shot before
read -r L T R B <<< "$($PX box "$DIR/before.ppm")"
echo "canvas on the screen: $L $T $R $B"

# Ctrl+A selects everything and chooses the rectangle tool; after the menu's
# deselection a drag makes a rectangle of its own.
xdotool mousemove $((L + 100)) $((T + 100)) click 1
sleep 0.5
xdotool key ctrl+a
sleep 1
xdotool key alt+s
sleep 0.5
xdotool key d
sleep 1
x0=$((L + 40)); y0=$((T + 40)); x1=$((L + 200)); y1=$((T + 140))
xdotool mousemove $x0 $y0 mousedown 1
for s in $(seq 1 10); do xdotool mousemove $((x0 + (x1 - x0) * s / 10)) $((y0 + (y1 - y0) * s / 10)); sleep 0.02; done
xdotool mouseup 1
sleep 1
shot selected
check "the outline shows" "$($PX painted "$DIR/selected.ppm" $((L + 100)) $((y0 - 2)) $((L + 100)) $((y0 + 2)))" -ge 1

# Ctrl+L: the outline drawn with the pen; the middle and the outside stay white.
xdotool key ctrl+l
sleep 1.5
shot stroked
check "the left side is drawn" "$($PX painted "$DIR/stroked.ppm" $((x0 - 3)) $((T + 90)) $((x0 + 3)) $((T + 90)))" -ge 1
check "the middle stays white" "$($PX painted "$DIR/stroked.ppm" $((L + 100)) $((T + 80)) $((L + 140)) $((T + 100)))" -eq 0
check "outside stays white" "$($PX painted "$DIR/stroked.ppm" $((L + 240)) $((T + 160)) $((L + 300)) $((T + 190)))" -eq 0
# Ctrl+Z: as it was with the selection.
xdotool key ctrl+z
sleep 1.5
shot undone
check "undo removes the outline" "$($PX same "$DIR/undone.ppm" "$DIR/selected.ppm" $L $T $R $B)" -eq 1
# The menu's fill: the pen colour inside the rectangle only.
xdotool key alt+s
sleep 0.5
xdotool key f
sleep 1.5
shot filled
check "the inside is filled" "$($PX painted "$DIR/filled.ppm" $((L + 100)) $((T + 80)) $((L + 140)) $((T + 100)))" -eq 861
check "outside stays white" "$($PX painted "$DIR/filled.ppm" $((L + 240)) $((T + 160)) $((L + 300)) $((T + 190)))" -eq 0
check "left of it stays white" "$($PX painted "$DIR/filled.ppm" $((x0 - 20)) $((T + 60)) $((x0 - 6)) $((T + 120)))" -eq 0
convert "$DIR/filled.ppm" "$(dirname "$(dirname "$EXE")")/select_e2e.png" || true
exit $fail
