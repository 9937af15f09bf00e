#!/bin/sh
# Test fixture: launcher directories with the sample skin and one fault each, with what the Linux
# lumora_check says (DIR/check.txt, exit code last). Usage: native_checked.sh CHECK SRC_DIR OUT_DIR
set -eu
CHECK=$1 SRC=$2 D=$3
rm -rf "$D" && mkdir -p "$D"
row() { # NAME SED-SCRIPT: a launcher directory whose static.json is edited
  mkdir "$D/$1" && cp -r "$SRC/demo/skin" "$D/$1/" && sed "$2" "$SRC/demo/static.json" >"$D/$1/static.json"
}
row clean ''
row missing 's/start\.png/gone.png/'
row not_image 's/"skin\\\\elements\.png"/"static.json"/'
row long "s/loading\.png/$(printf '%0250d' 0).png/"
row utf8 's/loading\.png/lädt.png/' && mv "$D/utf8/skin/loading.png" "$D/utf8/skin/lädt.png"
row tga 's/start\.png/start.tga/' && printf '\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\40\0\377\377\377\377' >"$D/tga/skin/start.tga"
# 257 UTF-16 units but 133 code points: too long on Windows, so here too.
row emoji "s/loading\.png/$(for i in $(seq 124); do printf '\360\237\230\200'; done).png/"
row folder 's/"skin\\\\lumora\.cur"/"skin"/'
for dir in "$D"/*/; do
  rc=0
  "$CHECK" "$dir" >"$dir/check.txt" 2>&1 || rc=$?
  echo "exit $rc" >>"$dir/check.txt"
done
