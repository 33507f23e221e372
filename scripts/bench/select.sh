# Benchmark select (sourced by scripts/bench.sh, which sets WINE64, BENCH_DIR
# and DARNA_BUILD): on the same 4,000 x 3,000 photo-like picture, the
# colour-region selection from one seed (tolerance 20) and the blur of its mask
# by 20 pixels, against libvips with one thread timed in process by a small
# native program built here (vips_draw_flood1 from the same seed, vips_gaussblur
# of an 8-bit mask of the same size).
WORK="$(mktemp -d)"
SRC="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
gcc -O2 -o "$WORK/select_vips" "$SRC/select_vips.c" $(pkg-config --cflags --libs vips) -lm
ours=$("$WINE64" "$BENCH_DIR/bench_select.exe" "$(winepath_w "$WORK/photo.rgb")" | tr -d '\r')
read -r seed_x seed_y < <(echo "$ours" | awk '/^seed:/ { print $2, $3 }')
theirs=$("$WORK/select_vips" "$WORK/photo.rgb" 4000 3000 "$seed_x" "$seed_y")
rm -rf "$WORK"
echo "$ours" | grep -v '^seed:'
echo "$theirs"
our_region=$(echo "$ours" | awk '/^region_4000x3000:/ { print $2 }')
our_blur=$(echo "$ours" | awk '/^maskblur_4000x3000:/ { print $2 }')
vips_region=$(echo "$theirs" | awk '/^vips region_4000x3000:/ { print $3 }')
vips_blur=$(echo "$theirs" | awk '/^vips maskblur_4000x3000:/ { print $3 }')
for t in "$our_region" "$our_blur" "$vips_region" "$vips_blur"; do
  awk -v t="$t" 'BEGIN { exit !(t > 0) }' || { echo "select: a time that is not positive" >&2; exit 1; }
done
awk -v v="$vips_region" -v o="$our_region" 'BEGIN { printf "ratio region_vs_vips: %.2f\n", v / o }'
awk -v v="$vips_blur" -v o="$our_blur" 'BEGIN { printf "ratio maskblur_vs_vips: %.2f\n", v / o }'
