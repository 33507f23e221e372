# The compositor against libvips: the same 10 layers of 4,000 x 3,000 pixels
# composed by `vips composite` (one thread, inputs in its .v format, the
# operation alone timed) with the closest blend modes it has; and repaints of a
# 1,280 x 1,024 view. Sourced by scripts/bench.sh (WINE64 and BENCH_DIR are set).
command -v vips >/dev/null || { echo "compose: vips (libvips-tools) is needed for the baseline" >&2; exit 1; }
work="$BENCH_DIR/compose_layers"
rm -rf "$work"; mkdir -p "$work"
ours=$("$WINE64" "$BENCH_DIR/bench_compose.exe" "$(winepath_w "$work")" | tr -d '\r')
echo "$ours"
# Our modes over the base: normal, multiply, lighten, darken, highlight (add),
# difference, overlay, normal, multiply.
modes="2 14 18 17 12 23 16 2 14"
inputs=""
for i in 0 1 2 3 4 5 6 7 8 9; do
  vips rawload "$work/layer_$i.rgba" "$work/raw_$i.v" 4000 3000 4
  vips copy "$work/raw_$i.v" "$work/layer_$i.v" --interpretation srgb
  rm -f "$work/layer_$i.rgba" "$work/raw_$i.v"
  inputs="$inputs $work/layer_$i.v"
done
start=$(date +%s%N)
VIPS_CONCURRENCY=1 vips composite "${inputs# }" "$work/out.v" "$modes"
end=$(date +%s%N)
whole_ms=$(( (end - start) / 1000000 ))
# What the command costs besides composing (starting, opening an input, writing
# the result) is measured by a plain copy of one layer and taken off.
start=$(date +%s%N)
VIPS_CONCURRENCY=1 vips copy "$work/layer_0.v" "$work/copy.v"
end=$(date +%s%N)
copy_ms=$(( (end - start) / 1000000 ))
vips_ms=$(( whole_ms - copy_ms ))
echo "vips_command_4000x3000_10_layers: $whole_ms ms (of which start, read and write: $copy_ms ms)"
echo "vips_composite_4000x3000_10_layers: $vips_ms ms"
our_ms=$(echo "$ours" | awk '/^compose_4000x3000_10_layers:/ {print $2}')
bench_ratio compose_vs_vips "$vips_ms" "$our_ms"
rm -rf "$work"
