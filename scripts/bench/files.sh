# Benchmark files (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): a 4,000 x 3,000 JPEG opened into a canvas document and the
# canvas saved as a JPEG (quality 90), and a 3,264 x 2,448 photo-like picture
# opened from a PNG and saved as a PNG, through the canvas roads, timed inside
# the process, against libjpeg-turbo and libpng (Debian's, in a small native
# program, timed inside its process) decoding the same files into memory and
# encoding the same pictures at the same quality and compression level. Each
# figure is the best of several runs.
RUNS="${FILES_RUNS:-5}"
. "$ROOT/scripts/bench_peers.sh"

# The photo: smooth shapes with sensor-like noise, as a camera's picture.
convert -seed 11 -size 816x612 plasma:fractal -blur 0x2 -resize 3264x2448! \
        -attenuate 0.4 +noise Gaussian -depth 8 "$WORK/photo.ppm"
convert "$WORK/photo.ppm" "$WORK/photo.png"
# The zlib level pngsave.dll writes at.
png_level=$(sed -n 's/.*PngCompressionLevel = \([0-9]\).*/\1/p' "$ROOT/plugins/png/pngsave.cpp")
[ -n "$png_level" ] || { echo "files: no compression level in plugins/png/pngsave.cpp" >&2; exit 1; }
ours=$("$WINE64" "$BENCH_DIR/bench_files.exe" "$(winepath_w "$DARNA_BUILD/dist")" "$RUNS" \
       "$(winepath_w "$WORK/big.jpg")" "$(winepath_w "$WORK/photo.png")" | tr -d '\r')
figure() { echo "$ours" | awk -F': ' -v k="$1" '$1 == k { print $2 + 0 }'; }
our_open=$(figure "jpg open")
our_save=$(figure "jpg save")
our_png_open=$(figure "png open")
our_png_save=$(figure "png save")
# The peer writes the channels ours wrote (RGBA when the document has a transparency plane).
png_channels=$(figure "png channels")
theirs_png=$("$FILES_NATIVE" png "$WORK/photo.png" "$WORK/photo.ppm" "$png_level" "$RUNS" "$WORK/native.png" \
             "$png_channels")
libpng_decode=$(echo "$theirs_png" | awk -F': ' '/^decode:/ { print $2 + 0 }')
libpng_encode=$(echo "$theirs_png" | awk -F': ' '/^encode:/ { print $2 + 0 }')
libpng_size=$(echo "$theirs_png" | awk -F': ' '/^encoded size:/ { print $2 + 0 }')
our_png_size=$(figure "png saved size")

rm -rf "$WORK"

echo "open 4000x3000 jpeg into a canvas (ours): $our_open ms"
echo "jpeg decode 4000x3000 (libjpeg-turbo): $djpeg_ms ms"
echo "save 4000x3000 canvas as jpeg q90 (ours): $our_save ms"
echo "jpeg encode 4000x3000 q90 (libjpeg-turbo): $cjpeg_ms ms"
echo "open 3264x2448 png into a canvas (ours): $our_png_open ms"
echo "png decode 3264x2448 (libpng): $libpng_decode ms"
echo "save 3264x2448 canvas as png level $png_level, $png_channels channels (ours): $our_png_save ms"
echo "png encode 3264x2448 level $png_level, $png_channels channels (libpng): $libpng_encode ms"
echo "png file size (ours): $our_png_size bytes"
echo "png file size (libpng): $libpng_size bytes"
bench_ratio open_vs_djpeg "$djpeg_ms" "$our_open"
bench_ratio save_vs_cjpeg "$cjpeg_ms" "$our_save"
bench_ratio png_open_vs_libpng "$libpng_decode" "$our_png_open"
bench_ratio png_save_vs_libpng "$libpng_encode" "$our_png_save"
