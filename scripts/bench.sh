#!/bin/bash
# Runs one benchmark with its baseline: scripts/bench.sh NAME
# Builds what it needs, then runs scripts/bench/NAME.sh inside the Wine
# environment. Each figure is printed as "name: value unit", each comparison
# with a baseline measured in the same run as "ratio name: value" (above 1:
# ours is faster).
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
. "$ROOT/scripts/bench/$NAME.sh" "$@"
