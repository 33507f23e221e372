# Benchmark codecs (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): decoding and encoding a 4,000 x 3,000 JPEG at quality 90
# through our plug-ins and the host (jpgload.dll into a VmsImage, a VmsImage
# out through jpgsave.dll), timed inside the process, against libjpeg-turbo's
# own djpeg and cjpeg on the same file and quality. The tools' time is the best
# run minus the best run on a tiny image (process start-up); ours is the best
# in-process time. Each figure is the best of several runs. Our decoded picture
# must be the same, byte for byte, as djpeg's.
RUNS="${CODECS_RUNS:-10}"
. "$ROOT/scripts/bench_jpeg_baseline.sh"

ours=$("$WINE64" "$BENCH_DIR/bench_codecs.exe" "$(winepath_w "$DARNA_BUILD/dist")" \
       "$(winepath_w "$WORK/big.jpg")" "$RUNS" "$(winepath_w "$WORK/ours.ppm")")
our_decode=$(echo "$ours" | awk -F': ' '/^decode:/ { print $2 + 0 }')
our_encode=$(echo "$ours" | awk -F': ' '/^encode/ { print $2 + 0 }')
our_plugin=$(echo "$ours" | awk -F': ' '/plug-in alone/ { print $2 + 0 }')
djpeg -ppm -outfile "$WORK/djpeg.ppm" "$WORK/big.jpg"
if cmp -s "$WORK/ours.ppm" "$WORK/djpeg.ppm"; then same=yes; else same=NO; fi
rm -rf "$WORK"

echo "jpeg decode 4000x3000 (ours, jpgload.dll alone, rows dropped): $our_plugin ms"
echo "jpeg decode 4000x3000 (ours, jpgload.dll into a VmsImage): $our_decode ms"
echo "jpeg decode 4000x3000 (djpeg): $djpeg_ms ms"
echo "jpeg decode identical to djpeg's: $same"
echo "jpeg encode 4000x3000 q90 (ours, VmsImage through jpgsave.dll): $our_encode ms"
echo "jpeg encode 4000x3000 q90 (cjpeg): $cjpeg_ms ms"
awk -v t="$djpeg_ms" -v o="$our_decode" 'BEGIN { printf "ratio jpeg decode: %.2f\n", t / o }'
awk -v t="$cjpeg_ms" -v o="$our_encode" 'BEGIN { printf "ratio jpeg encode: %.2f\n", t / o }'
