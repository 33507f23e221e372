# Benchmark imageops (sourced by scripts/bench.sh, which sets WINE64 and
# BENCH_DIR): bicubic resize of a 4,000 x 3,000 picture to 6,000 x 4,500 and a
# free turn by 17 degrees, ours in process against ImageMagick's convert on the
# same pixels, single-threaded. ImageMagick's time for an operation is the
# difference between a run with the operation and the same run without it
# (MIFF in, null: out); each figure is the best of several runs.
RUNS="${IMAGEOPS_RUNS:-3}"
WORK="$(mktemp -d)"
SRC_BMP="$WORK/source.bmp"
SRC_MIFF="$WORK/source.miff"
"$WINE64" "$BENCH_DIR/bench_imageops.exe" --write "$(winepath_w "$SRC_BMP")" || { echo "imageops: could not write the source" >&2; rm -rf "$WORK"; return 1; }
convert "$SRC_BMP" -alpha off "$SRC_MIFF"

export MAGICK_THREAD_LIMIT=1
best_run() {   # best wall time in seconds of convert with the given arguments
  local best="" i t0 t1 t
  for i in $(seq 1 "$RUNS"); do
    t0=$(date +%s%N)
    convert "$SRC_MIFF" "$@" null: || return 1
    t1=$(date +%s%N)
    t=$(( t1 - t0 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}
base=$(best_run)
im_resize_full=$(best_run -filter Cubic -define filter:b=0 -define filter:c=1 -resize '6000x4500!')
im_turn_full=$(best_run -background white -rotate 17)
im_resize=$(awk -v a="$im_resize_full" -v b="$base" 'BEGIN { printf "%.3f", a - b }')
im_turn=$(awk -v a="$im_turn_full" -v b="$base" 'BEGIN { printf "%.3f", a - b }')

ours=$("$WINE64" "$BENCH_DIR/bench_imageops.exe" "$RUNS")
our_resize=$(echo "$ours" | awk -F': ' '/bicubic resize/ { print $2 + 0 }')
our_turn=$(echo "$ours" | awk -F': ' '/free turn 17/ { print $2 + 0 }')
rm -rf "$WORK"

echo "bicubic resize 4000x3000 to 6000x4500 (ours): $our_resize s"
echo "bicubic resize 4000x3000 to 6000x4500 (ImageMagick, 1 thread): $im_resize s"
echo "free turn 17 degrees (ours): $our_turn s"
echo "free turn 17 degrees (ImageMagick -rotate, 1 thread): $im_turn s"
bench_ratio "bicubic resize" "$im_resize" "$our_resize"
bench_ratio "free turn 17" "$im_turn" "$our_turn"
