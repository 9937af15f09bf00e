#!/bin/sh
# Builds the product (i686), the test build (x86_64) and the studio's tools
# for this Linux host (native) from the same sources.
# Usage: tools/build.sh [build-root [target...]]   (default: build, everything)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build}
# Absolute, so that paths handed to CMake and the tests hold from any folder.
mkdir -p "$OUT" && OUT=$(cd "$OUT" && pwd)
[ $# -gt 0 ] && shift
TARGETS="" NATIVE_TARGETS=""
for t in "$@"; do
  TARGETS="$TARGETS --target $t"
  # The native tree has the tools and their tests only.
  case $t in lumora_*|native_*) NATIVE_TARGETS="$NATIVE_TARGETS --target $t" ;; esac
done
"$ROOT/tools/setup.sh"
cmake -S "$ROOT" -B "$OUT/native" -G Ninja -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
[ -n "$TARGETS" ] && [ -z "$NATIVE_TARGETS" ] || cmake --build "$OUT/native" -j2 $NATIVE_TARGETS
cmake -S "$ROOT" -B "$OUT/i686" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686.cmake" \
  -DLUMORA_TESTS=OFF >/dev/null
cmake --build "$OUT/i686" -j2 $TARGETS
cmake -S "$ROOT" -B "$OUT/x86_64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-x86_64.cmake" \
  -DLUMORA_PRODUCT_EXE="$OUT/i686/Lumora2.exe" -DLUMORA_NATIVE_DIR="$OUT/native" >/dev/null
cmake --build "$OUT/x86_64" -j2 $TARGETS
