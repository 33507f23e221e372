#!/bin/bash
# Sets up everything, builds, and starts the editor under Wine: on your X display
# when there is one, otherwise on a private Xvfb display, of which a screenshot is
# written to build/screenshot.png after a few seconds.
# scripts/run.sh [image paths...]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export DARNA_BUILD="${DARNA_BUILD:-$ROOT/build}"

"$ROOT/scripts/setup.sh"
# Only the program folder: the programs, plug-ins and data, not the tests.
DARNA_TARGET=darna_programs "$ROOT/scripts/build.sh" x86_64

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
DARNA_USE_DISPLAY=1 darna_xvfb_start
darna_wine_prefix "$DARNA_BUILD/wineprefix"
darna_wineserver_start

args=()
for p in "$@"; do args+=("$(winepath_w "$(readlink -f "$p")")"); done

if [ -n "${DARNA_XVFB_PID:-}" ]; then
  echo "run: no X display found; the editor runs on the private display $DISPLAY"
  "$WINE64" "$DARNA_BUILD/dist/darnaedit.exe" "${args[@]}" &
  app=$!
  trap 'kill "$app" 2>/dev/null; darna_wine_stop; trap - EXIT; exit 130' INT TERM HUP
  sleep "${DARNA_SHOT_DELAY:-6}"
  if xwd -root -display "$DISPLAY" 2>/dev/null | convert xwd:- "$DARNA_BUILD/screenshot.png" 2>/dev/null; then
    echo "run: screenshot written to $DARNA_BUILD/screenshot.png"
  fi
  echo "run: close it with Ctrl+C"
  wait "$app" || true
else
  "$WINE64" "$DARNA_BUILD/dist/darnaedit.exe" "${args[@]}" || true
fi
