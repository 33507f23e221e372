#!/bin/bash
# Cross-builds the project: scripts/build.sh [x86_64|i686] [extra cmake args...]
# x86_64 builds into build/ (programs, plug-ins, tests, benchmarks; the program
# folder is staged at build/dist); i686 builds into build/i686 to check that the
# code and its record layouts compile for 32 bits (nothing 32-bit can run here).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
ARCH="${1:-x86_64}"; shift || true
BUILD="${DARNA_BUILD:-$ROOT/build}"
DEPS="${DARNA_DEPS_ROOT:-$BUILD/deps}/$ARCH"
JOBS="${DARNA_JOBS:-$(nproc)}"

"$ROOT/scripts/build-deps.sh" "$ARCH" "$DEPS"

case "$ARCH" in
  x86_64) OUT="$BUILD"; EXTRA=() ;;
  i686)   OUT="$BUILD/i686"; EXTRA=(-DDARNA_TESTS=OFF -DDARNA_BENCH=OFF) ;;
  *) echo "build: unknown architecture $ARCH" >&2; exit 2 ;;
esac

cmake -S "$ROOT" -B "$OUT" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$ARCH.cmake" \
  -DDARNA_DEPS_DIR="$DEPS" "${EXTRA[@]}" "$@" >/dev/null
# DARNA_TARGET builds one target only (darna_programs: the program folder alone).
cmake --build "$OUT" -j "$JOBS" ${DARNA_TARGET:+--target "$DARNA_TARGET"}
