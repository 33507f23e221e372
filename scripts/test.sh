#!/bin/bash
# Sets up everything and runs all tests: packages, locale, codecs, the 64-bit
# build with its tests, the 32-bit compile, then ctest through Wine on a private
# Xvfb display.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export DARNA_BUILD="${DARNA_BUILD:-$ROOT/build}"

"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" x86_64
"$ROOT/scripts/build.sh" i686
"$ROOT/scripts/ctest.sh" "$@"
