# The JPEG baseline of the codecs and files benchmarks (sourced by their
# scripts in scripts/bench/, with RUNS set): makes $WORK with a 4,000 x 3,000
# picture (big.ppm) and its JPEG at quality 90 (big.jpg), and times
# libjpeg-turbo's djpeg and cjpeg on them. The tools' time is the best run
# minus the best run on a tiny image (process start-up): $djpeg_ms, $cjpeg_ms.
WORK="$(mktemp -d)"
convert -seed 7 -size 1000x750 plasma:fractal -blur 0x1 -resize 4000x3000! -depth 8 "$WORK/big.ppm"
cjpeg -quality 90 "$WORK/big.ppm" > "$WORK/big.jpg"
convert -size 8x8 xc:gray -depth 8 "$WORK/tiny.ppm"
cjpeg -quality 90 "$WORK/tiny.ppm" > "$WORK/tiny.jpg"

best_ns() {   # best wall time in ns of the command
  local best="" i t0 t1 t
  for i in $(seq 1 "$RUNS"); do
    t0=$(date +%s%N)
    "$@" > /dev/null || return 1
    t1=$(date +%s%N)
    t=$(( t1 - t0 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}
dj_big=$(best_ns djpeg -ppm -outfile /dev/null "$WORK/big.jpg")
dj_tiny=$(best_ns djpeg -ppm -outfile /dev/null "$WORK/tiny.jpg")
cj_big=$(best_ns cjpeg -quality 90 -outfile /dev/null "$WORK/big.ppm")
cj_tiny=$(best_ns cjpeg -quality 90 -outfile /dev/null "$WORK/tiny.ppm")
djpeg_ms=$(awk -v a="$dj_big" -v b="$dj_tiny" 'BEGIN { printf "%.1f", (a - b) / 1e6 }')
cjpeg_ms=$(awk -v a="$cj_big" -v b="$cj_tiny" 'BEGIN { printf "%.1f", (a - b) / 1e6 }')
