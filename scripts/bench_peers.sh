# The peers of the codecs and files benchmarks (sourced by their scripts in
# scripts/bench/, with RUNS set): makes $WORK with a 4,000 x 3,000 picture
# (big.ppm) and its JPEG at quality 90 (big.jpg), builds files_native (Debian's
# libjpeg-turbo, libpng and zlib, timed inside its own process) as
# $FILES_NATIVE, and times libjpeg-turbo decoding big.jpg into memory and
# encoding big.ppm at quality 90: $djpeg_ms, $cjpeg_ms (the best runs).
WORK="$(mktemp -d)"
convert -seed 7 -size 1000x750 plasma:fractal -blur 0x1 -resize 4000x3000! -depth 8 "$WORK/big.ppm"
cjpeg -quality 90 "$WORK/big.ppm" > "$WORK/big.jpg"
FILES_NATIVE="$WORK/files_native"
gcc -O2 -o "$FILES_NATIVE" "$ROOT/scripts/bench/files_native.c" \
    $(pkg-config --cflags --libs libjpeg libpng zlib)
theirs=$("$FILES_NATIVE" jpeg "$WORK/big.jpg" "$WORK/big.ppm" 90 "$RUNS" "$WORK/native.jpg")
djpeg_ms=$(echo "$theirs" | awk -F': ' '/^decode:/ { print $2 + 0 }')
cjpeg_ms=$(echo "$theirs" | awk -F': ' '/^encode:/ { print $2 + 0 }')
