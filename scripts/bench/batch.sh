# Benchmark batch (sourced by scripts/bench.sh, which sets WINE64 and
# BENCH_DIR): the browser's batch conversion of 100 JPEG photos of 4,000 x
# 3,000 pixels (all different) to PNG fitted into 1,024 x 1,024, in one run,
# against ImageMagick (mogrify -resize 1024x1024 -format png, one thread) and
# libvips (vipsthumbnail --size 1024 -o %s.png, one thread) doing the same
# files. The photos are made once and kept in build/bench/batch_photos.
COUNT="${BATCH_COUNT:-100}"
PHOTOS="$BENCH_DIR/batch_photos"
mkdir -p "$PHOTOS"
if [ "$(ls "$PHOTOS"/*.jpg 2>/dev/null | wc -l)" -lt "$COUNT" ]; then
  echo "batch: making $COUNT different photos of 4000x3000 (once)" >&2
  for s in 0 1 2 3; do
    convert -size 1000x750 plasma:fractal -seed $((11 + s)) -resize 4000x3000! -attenuate 0.3 +noise Gaussian \
      -quality 92 "$PHOTOS/base$s.jpg"
  done
  for i in $(seq 0 $((COUNT - 1))); do
    # Each photo: a base shifted and tinted differently.
    convert "$PHOTOS/base$((i % 4)).jpg" -roll +$((i * 37))+$((i * 23)) -modulate 100,$((80 + i % 40)),$((60 + i % 80)) \
      -quality 90 "$PHOTOS/$(printf 'photo%03d.jpg' "$i")"
  done
  rm -f "$PHOTOS"/base*.jpg
fi
WORK="$(mktemp -d)"
PROGRAM="$WORK/program"
mkdir -p "$PROGRAM" "$WORK/ours" "$WORK/magick" "$WORK/vips"
cp -r "$DARNA_BUILD/dist/exp/file_r" "$DARNA_BUILD/dist/exp/file_w" "$PROGRAM/"

ours=$("$WINE64" "$BENCH_DIR/bench_batch.exe" "$(winepath_w "$PROGRAM")" "$(winepath_w "$PHOTOS")" \
       "$(winepath_w "$WORK/ours")")
echo "$ours" | grep -E '^batch converted'
our_s=$(echo "$ours" | awk -F': ' '/^batch time/ { print $2 + 0 }')

export MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1 OMP_NUM_THREADS=1
t0=$(date +%s%N)
mogrify -path "$WORK/magick" -resize 1024x1024 -format png "$PHOTOS"/*.jpg
t1=$(date +%s%N)
vips_ok=1
command -v vipsthumbnail >/dev/null || vips_ok=0
[ "$vips_ok" = 1 ] && { vipsthumbnail --size 1024 -o "$WORK/vips/%s.png" "$PHOTOS"/*.jpg || vips_ok=0; }
t2=$(date +%s%N)
n=$(ls "$PHOTOS"/*.jpg | wc -l)
magick_s=$(awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f", ns / 1e9 }')
vips_s=$(awk -v ns=$((t2 - t1)) 'BEGIN { printf "%.3f", ns / 1e9 }')
size=$(identify -format '%wx%h' "$WORK/ours/photo000.png" 2>/dev/null || echo "?")
rm -rf "$WORK"

echo "batch output size (ours): $size"
echo "batch $n photos to png 1024 (ours): $our_s s"
echo "batch $n photos to png 1024 (ImageMagick mogrify, 1 thread): $magick_s s"
if [ "$vips_ok" = 1 ]; then echo "batch $n photos to png 1024 (vipsthumbnail, 1 thread): $vips_s s"
else echo "batch (vipsthumbnail): not available"; fi
awk -v a="$magick_s" -v b="$our_s" 'BEGIN { if (b <= 0) exit 1; printf "ratio batch_vs_magick: %.2f\n", a / b }'
[ "$vips_ok" = 1 ] && awk -v a="$vips_s" -v b="$our_s" 'BEGIN { printf "ratio batch_vs_vips: %.2f\n", a / b }'
true
