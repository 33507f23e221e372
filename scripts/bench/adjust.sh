# Benchmark adjust (sourced by scripts/bench.sh, which sets WINE64 and
# BENCH_DIR): on a 4,000 x 3,000 picture, a 5-point tone curve and the blur
# effect plug-in at radius 2 (a 5 x 5 box), ours in process against
# ImageMagick (-clut with the same 256-entry table, a 5 x 5 convolution) and
# libvips (maplut, conv of the same kernel), both on one thread, timed in
# process by a small native program. Each figure is the best of three runs of
# the operation alone.
WORK="$(mktemp -d)"
SRC="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
gcc -O2 -o "$WORK/adjust_peers" "$SRC/adjust_peers.c" $(pkg-config --cflags --libs MagickWand vips) -lm
"$WINE64" "$BENCH_DIR/bench_adjust.exe" --table "$(winepath_w "$WORK/curve.bin")" || { echo "adjust: no curve table" >&2; rm -rf "$WORK"; return 1; }
theirs=$("$WORK/adjust_peers" "$WORK/curve.bin")
ours=$("$WINE64" "$BENCH_DIR/bench_adjust.exe")
rm -rf "$WORK"
pick() { echo "$1" | awk -F': ' -v k="$2" '$1 == k { print $2 + 0 }'; }
our_curve=$(pick "$ours" "curve (ours)")
our_blur=$(pick "$ours" "blur (ours)")
im_curve=$(pick "$theirs" "magick curve")
im_blur=$(pick "$theirs" "magick blur")
vips_curve=$(pick "$theirs" "vips curve")
vips_blur=$(pick "$theirs" "vips blur")
for t in "$our_curve" "$our_blur" "$im_curve" "$im_blur" "$vips_curve" "$vips_blur"; do
  awk -v t="$t" 'BEGIN { exit !(t > 0) }' || { echo "adjust: a time was not positive" >&2; return 1; }
done
echo "tone curve 5 points (ours): $our_curve s"
echo "tone curve (ImageMagick -clut, 1 thread): $im_curve s"
echo "tone curve (libvips maplut, 1 thread): $vips_curve s"
echo "blur 5x5 box (ours): $our_blur s"
echo "blur 5x5 box (ImageMagick convolve, 1 thread): $im_blur s"
echo "blur 5x5 box (libvips conv, 1 thread): $vips_blur s"
awk -v o="$our_curve" -v t="$im_curve" 'BEGIN { printf "ratio curve_vs_magick: %.2f\n", t / o }'
awk -v o="$our_curve" -v t="$vips_curve" 'BEGIN { printf "ratio curve_vs_vips: %.2f\n", t / o }'
awk -v o="$our_blur" -v t="$im_blur" 'BEGIN { printf "ratio blur_vs_magick: %.2f\n", t / o }'
awk -v o="$our_blur" -v t="$vips_blur" 'BEGIN { printf "ratio blur_vs_vips: %.2f\n", t / o }'
