#!/bin/bash
# Sets up everything and runs all tests: packages, locale, codecs, the 64-bit
# program folder alone and then the rest with the tests (checking that the rest
# added nothing to the program folder), the 32-bit compile, then ctest through
# Wine on a private Xvfb display.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export DARNA_BUILD="${DARNA_BUILD:-$ROOT/build}"

"$ROOT/scripts/setup.sh"
# The program folder first, alone, as the run command builds it; the rest of
# the tree must add nothing to it.
DARNA_TARGET=darna_programs "$ROOT/scripts/build.sh" x86_64
"$ROOT/scripts/check-dist.sh" list "$DARNA_BUILD/dist-programs.txt"
"$ROOT/scripts/build.sh" x86_64
"$ROOT/scripts/check-dist.sh" compare "$DARNA_BUILD/dist-programs.txt"
"$ROOT/scripts/build.sh" i686
"$ROOT/scripts/ctest.sh" "$@"
