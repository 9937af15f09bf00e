#!/bin/sh
# Test fixture: lays out one release and publishes it with the Linux build of
# lumora_publish into the update server's folder (www/native), for the test
# that compares it with the Windows build's output and updates from it.
# Usage: native_published.sh NATIVE_PUBLISH UPDATE_RIG_DIR
set -eu
PUBLISH=$1 D=$2
R=$D/native/release
rm -rf "$D/native" "$D/www/native"
mkdir -p "$R/bin" "$R/data/deep/er" "$R/Maps"
printf 'read me' >"$R/readme"
printf 'game code' >"$R/bin/Game.DLL"
printf 'data' >"$R/data/a.b.c"
: >"$R/data/empty.bin"
head -c 100000 /dev/urandom >"$R/data/deep/er/random.pak"
printf 'forest' >"$R/Maps/Forest Map.v2.txt"
printf 'long' >"$R/data/$(printf '%0120d' 0).x.y"
"$PUBLISH" "$R" 3 "$D/www/native" >/dev/null
