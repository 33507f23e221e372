#!/bin/bash
# Runs ctest of a finished build through Wine: scripts/ctest.sh [ctest args...]
# (build folder from DARNA_BUILD, default build/). Starts a private Xvfb and one
# persistent wineserver for the run and stops exactly those afterwards.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${DARNA_BUILD:-$ROOT/build}"

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
darna_xvfb_start
darna_wine_prefix "$BUILD/wineprefix"
darna_wineserver_start
ctest --test-dir "$BUILD" --output-on-failure -j "${DARNA_TEST_JOBS:-2}" "$@"
