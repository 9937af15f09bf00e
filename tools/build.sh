#!/bin/sh
# Builds the product (i686) and the test build (x86_64) from the same sources.
# Usage: tools/build.sh [build-root [target...]]   (default: build, everything)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build}
# Absolute, so that paths handed to CMake and the tests hold from any folder.
mkdir -p "$OUT" && OUT=$(cd "$OUT" && pwd)
[ $# -gt 0 ] && shift
TARGETS=""
for t in "$@"; do TARGETS="$TARGETS --target $t"; done
"$ROOT/tools/setup.sh"
cmake -S "$ROOT" -B "$OUT/i686" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" \
  -DLUMORA_TESTS=OFF >/dev/null
cmake --build "$OUT/i686" -j2 $TARGETS
cmake -S "$ROOT" -B "$OUT/x86_64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake" \
  -DLUMORA_PRODUCT_EXE="$OUT/i686/Lumora2.exe" >/dev/null
cmake --build "$OUT/x86_64" -j2 $TARGETS
