# Benchmark files (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): a 4,000 x 3,000 JPEG opened into a canvas document and the
# canvas saved as a JPEG (quality 90) through the canvas roads, timed inside
# the process, against libjpeg-turbo's djpeg and cjpeg on the same file and
# quality. The tools' time is the best run minus the best run on a tiny image
# (process start-up); ours is the best in-process time.
RUNS="${FILES_RUNS:-5}"
. "$ROOT/scripts/bench_jpeg_baseline.sh"

ours=$("$WINE64" "$BENCH_DIR/bench_files.exe" "$(winepath_w "$DARNA_BUILD/dist")" \
       "$(winepath_w "$WORK/big.jpg")" "$RUNS")
our_open=$(echo "$ours" | awk -F': ' '/^open:/ { print $2 + 0 }')
our_save=$(echo "$ours" | awk -F': ' '/^save:/ { print $2 + 0 }')
rm -rf "$WORK"

echo "open 4000x3000 jpeg into a canvas (ours): $our_open ms"
echo "jpeg decode 4000x3000 (djpeg): $djpeg_ms ms"
echo "save 4000x3000 canvas as jpeg q90 (ours): $our_save ms"
echo "jpeg encode 4000x3000 q90 (cjpeg): $cjpeg_ms ms"
awk -v t="$djpeg_ms" -v o="$our_open" 'BEGIN { printf "ratio open_vs_djpeg: %.2f\n", t / o }'
awk -v t="$cjpeg_ms" -v o="$our_save" 'BEGIN { printf "ratio save_vs_cjpeg: %.2f\n", t / o }'
