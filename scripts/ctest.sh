#!/bin/bash
# Runs ctest of a finished build through Wine: scripts/ctest.sh [ctest args...]
# (build folder from DARNA_BUILD, default build/). Starts a private Xvfb and one
# persistent wineserver for the run, and a private CUPS spooler with a PDF
# queue as the default printer, and stops exactly those afterwards.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${DARNA_BUILD:-$ROOT/build}"

. "$ROOT/scripts/wine-env.sh"
darna_wine_traps
# The print queue exists before Wine starts, so that Wine's spooler finds it.
darna_cups_start "$BUILD/cups"
darna_xvfb_start
darna_wine_prefix "$BUILD/wineprefix"
darna_test_wintab "$BUILD"
darna_twain_install "$BUILD/wineprefix" "$BUILD/twain/darnascan.ds"
darna_wineserver_start
ctest --test-dir "$BUILD" --output-on-failure -j "${DARNA_TEST_JOBS:-2}" "$@"
