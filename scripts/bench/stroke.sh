# Benchmark stroke (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): 10,000 dabs of a 64-pixel soft round tip along a scripted
# path on a 4,000 x 3,000 canvas, in colour mode, in blur mode and with
# scripted pressures changing the dabs' size and opacity, through the
# pen engine, against libmypaint drawing the same dabs on its fixed tiled
# surface (a small native program built here). Each side reports dabs per
# second measured inside its own process.
WORK="$(mktemp -d)"
SRC="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
gcc -O2 -o "$WORK/stroke_mypaint" "$SRC/stroke_mypaint.c" -I"$SRC/../../paint/bench" \
    $(pkg-config --cflags --libs libmypaint) -lm
theirs=$("$WORK/stroke_mypaint")
ours=$("$WINE64" "$BENCH_DIR/bench_stroke.exe")
rm -rf "$WORK"
our_colour=$(echo "$ours" | awk -F': ' '/^stroke colour:/ { print $2 + 0 }')
our_blur=$(echo "$ours" | awk -F': ' '/^stroke blur:/ { print $2 + 0 }')
mp_colour=$(echo "$theirs" | awk -F': ' '/^mypaint colour:/ { print $2 + 0 }')
mp_blur=$(echo "$theirs" | awk -F': ' '/^mypaint blur:/ { print $2 + 0 }')
our_pressure=$(echo "$ours" | awk -F': ' '/^stroke pressure:/ { print $2 + 0 }')
mp_pressure=$(echo "$theirs" | awk -F': ' '/^mypaint pressure:/ { print $2 + 0 }')
echo "stroke colour (ours): $our_colour dabs/s"
echo "stroke colour (libmypaint): $mp_colour dabs/s"
echo "stroke blur (ours): $our_blur dabs/s"
echo "stroke blur (libmypaint get_color + draw_dab): $mp_blur dabs/s"
bench_ratio stroke_vs_mypaint "$our_colour" "$mp_colour"
bench_ratio stroke_blur_vs_mypaint "$our_blur" "$mp_blur"
echo "stroke pressure (ours): $our_pressure dabs/s"
echo "stroke pressure (libmypaint): $mp_pressure dabs/s"
bench_ratio stroke_pressure_vs_mypaint "$our_pressure" "$mp_pressure"
# The canvas after each run: a change to the engine must leave these alone.
echo "$ours" | grep 'checksum:' || true
