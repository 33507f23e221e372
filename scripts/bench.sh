#!/bin/bash
# Runs one benchmark with its baseline: scripts/bench.sh NAME
# Builds what it needs, then runs scripts/bench/NAME.sh inside the Wine
# environment. Each figure is printed as "name: value unit", each comparison
# with a baseline measured in the same run as "ratio name: value" (above 1:
# ours is faster). A time or rate that is not a positive number fails the
# benchmark with a message instead of a ratio: bench_ratio checks the figures
# of the scripts' own ratios, and every line of output is checked again (for
# the ratios the benchmark programs print themselves).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
NAME="${1:-}"
if [ -z "$NAME" ] || [ ! -f "$ROOT/scripts/bench/$NAME.sh" ]; then
  echo "usage: scripts/bench.sh NAME   (NAME: $(ls "$ROOT/scripts/bench" | sed 's/\.sh$//' | tr '\n' ' '))" >&2
  exit 2
fi
shift
export DARNA_BUILD="${DARNA_BUILD:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" x86_64 >/dev/null

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
darna_xvfb_start
darna_wine_prefix "$DARNA_BUILD/wineprefix"
darna_wineserver_start
export BENCH_DIR="$DARNA_BUILD/bench"

# bench_ratio NAME NUMERATOR DENOMINATOR: prints "ratio NAME: N/D", or fails
# the benchmark when either figure is not a positive number.
bench_ratio() {
  awk -v name="$1" -v n="$2" -v d="$3" 'BEGIN {
    ok = 1
    if (n !~ /^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$/ || n + 0 <= 0) ok = 0
    if (d !~ /^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$/ || d + 0 <= 0) ok = 0
    if (!ok) {
      printf "bench: no ratio %s: a figure is not a positive number (%s, %s)\n", name, n, d > "/dev/stderr"
      exit 1
    }
    printf "ratio %s: %.2f\n", name, n / d
  }'
}

# Every time, rate and ratio the benchmark prints must be a positive number.
bench_check_output() {
  awk '
    { sub(/\r$/, "") }
    /^ratio / || /: *[^ ]+ (ms|s|MB\/s|[a-z]+\/s)( |$)/ {
      value = $0; sub(/^[^:]*: */, "", value); sub(/ .*/, "", value)
      if (value !~ /^[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$/ || value + 0 <= 0) {
        print "bench: not a positive figure, the benchmark fails: " $0 > "/dev/stderr"
        bad = 1
        next
      }
    }
    { print; fflush() }
    END { exit bad }'
}

. "$ROOT/scripts/bench/$NAME.sh" "$@" | bench_check_output
