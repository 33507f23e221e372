# Benchmark codecs (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): decoding and encoding a 4,000 x 3,000 JPEG at quality 90
# through our plug-ins and the host (jpgload.dll into a VmsImage, a VmsImage
# out through jpgsave.dll), timed inside the process, against
# libjpeg-turbo (Debian's, in a small native program, timed inside its process)
# on the same file and quality. Each figure is the best of several runs. Our
# decoded picture must be the same, byte for byte, as djpeg's.
RUNS="${CODECS_RUNS:-10}"
. "$ROOT/scripts/bench_peers.sh"

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
echo "jpeg decode 4000x3000 (libjpeg-turbo): $djpeg_ms ms"
echo "jpeg decode identical to djpeg's: $same"
echo "jpeg encode 4000x3000 q90 (ours, VmsImage through jpgsave.dll): $our_encode ms"
echo "jpeg encode 4000x3000 q90 (libjpeg-turbo): $cjpeg_ms ms"
bench_ratio "jpeg decode" "$djpeg_ms" "$our_decode"
bench_ratio "jpeg encode" "$cjpeg_ms" "$our_encode"
