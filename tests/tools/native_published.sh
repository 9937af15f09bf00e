#!/bin/sh
# Test fixture: one release published and signed with KEY_FILE by the Linux lumora_publish into the
# update server's www/native; the key's public half goes to native/public.txt.
# Usage: native_published.sh NATIVE_PUBLISH UPDATE_RIG_DIR KEY_FILE
set -eu
PUBLISH=$1 D=$2 KEY=$3
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
"$PUBLISH" --sign "$KEY" "$R" 3 "$D/www/native" >/dev/null
"$PUBLISH" --public-key "$KEY" >"$D/native/public.txt"
