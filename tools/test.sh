#!/bin/sh
# Installs what is missing, builds every tree and runs every test.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build}
mkdir -p "$OUT" && OUT=$(cd "$OUT" && pwd)
"$ROOT/tools/build.sh" "$OUT"
cd "$OUT/x86_64"
ctest --output-on-failure -j2
