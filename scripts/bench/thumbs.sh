# Benchmark thumbs (sourced by scripts/bench.sh, which sets WINE64 and
# BENCH_DIR): thumbnails of 100 JPEG photos of 4,000 x 3,000 pixels with a
# cold cache, through the browser's reader plug-ins, fitting and cache, against
# ImageMagick (convert -thumbnail, one thread) and libvips (vipsthumbnail, one
# thread) making thumbnails of the same size from the same files; then the
# warm-cache pass of the browser. The photos are made once and kept in
# build/bench/thumbs_photos.
COUNT="${THUMBS_COUNT:-100}"
PHOTOS="$BENCH_DIR/thumbs_photos"
mkdir -p "$PHOTOS"
if [ "$(ls "$PHOTOS"/*.jpg 2>/dev/null | wc -l)" -lt "$COUNT" ]; then
  echo "thumbs: making $COUNT photos of 4000x3000 (once)" >&2
  convert -size 1000x750 plasma:fractal -seed 7 -resize 4000x3000! -attenuate 0.3 +noise Gaussian \
    -quality 90 "$PHOTOS/photo000.jpg"
  for i in $(seq 1 $((COUNT - 1))); do cp "$PHOTOS/photo000.jpg" "$PHOTOS/$(printf 'photo%03d.jpg' "$i")"; done
fi
WORK="$(mktemp -d)"
PROGRAM="$WORK/program"
mkdir -p "$PROGRAM"
cp -r "$DARNA_BUILD/dist/exp/file_r" "$DARNA_BUILD/dist/exp/file_w" "$PROGRAM/"

ours=$("$WINE64" "$BENCH_DIR/bench_thumbs.exe" "$(winepath_w "$PROGRAM")" "$(winepath_w "$PHOTOS")")
cold=$(echo "$ours" | awk -F': ' '/^thumbs cold/ { print $2 + 0 }')
warm=$(echo "$ours" | awk -F': ' '/^thumbs warm/ { print $2 + 0 }')

# The browser's box for 128-pixel cells is 102 x 89.
export MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
mkdir -p "$WORK/magick" "$WORK/vips"
t0=$(date +%s%N)
for f in "$PHOTOS"/*.jpg; do convert "$f" -thumbnail 102x89 "$WORK/magick/$(basename "$f" .jpg).bmp"; done
t1=$(date +%s%N)
vips_ok=1
command -v vipsthumbnail >/dev/null || vips_ok=0
[ "$vips_ok" = 1 ] && for f in "$PHOTOS"/*.jpg; do
  vipsthumbnail "$f" --size 102x89 -o "$WORK/vips/%s.v" 2>/dev/null || { vips_ok=0; break; }
done
t2=$(date +%s%N)
n=$(ls "$PHOTOS"/*.jpg | wc -l)
magick=$(awk -v n="$n" -v ns=$((t1 - t0)) 'BEGIN { printf "%.2f", n / (ns / 1e9) }')
vips=$(awk -v n="$n" -v ns=$((t2 - t1)) 'BEGIN { printf "%.2f", n / (ns / 1e9) }')
rm -rf "$WORK"

echo "$ours" | grep -E '^thumbs (made|loaded)'
echo "thumbs cold (ours): $cold thumbs/s"
echo "thumbs warm (ours): $warm thumbs/s"
echo "thumbs (ImageMagick convert -thumbnail, 1 thread): $magick thumbs/s"
if [ "$vips_ok" = 1 ]; then echo "thumbs (vipsthumbnail, 1 thread): $vips thumbs/s"
else echo "thumbs (vipsthumbnail): not available (libvips-tools is not installed)"; fi
bench_ratio thumbs_vs_magick "$cold" "$magick"
if [ "$vips_ok" = 1 ]; then bench_ratio thumbs_vs_vips "$cold" "$vips"; fi
bench_ratio thumbs_warm_vs_cold "$warm" "$cold"
