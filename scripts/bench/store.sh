# Image store rows: in memory against memcpy, paged through the swap file
# against a plain file in the same folder, and the largest canvas filled and
# read back. Sourced by scripts/bench.sh (WINE64 and BENCH_DIR are set).
"$WINE64" "$BENCH_DIR/bench_store.exe"
