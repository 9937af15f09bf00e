#!/bin/sh
# Seed corpus of the fuzz drivers: 7z packages for every coder and filter the decoder supports
# (headers uncompressed, so that mutations reach names and sizes), packages with hostile entry
# names, and small texts for the other inputs. Usage: make_corpus.sh OUT_DIR
set -eu
OUT=$1
HERE=$(cd "$(dirname "$0")" && pwd)
rm -rf "$OUT"
mkdir -p "$OUT/package" "$OUT/static" "$OUT/start_game" "$OUT/src/sub"
P=$OUT/package
cd "$OUT/src"
printf 'alpha alpha alpha alpha alpha\n' >a.txt
printf 'beta' >sub/b.txt
# Bytes with x86 calls and ARM branches in them, for the branch filters.
python3 -c "
import random, sys
r = random.Random(5)
sys.stdout.buffer.write(bytes(r.choice([0xE8, 0xE9, 0x0F, 0x94, 0xEB, 0, 1, r.randrange(256)])
                              for _ in range(1500)))" >code.bin

# pack NAME OPTIONS...: the three files, header uncompressed.
pack() { name=$1; shift; 7zz a "$P/$name.7z" -mhc=off "$@" a.txt sub code.bin >/dev/null; }
pack copy -m0=Copy
pack lzma -m0=LZMA:d=64k
pack lzma2 -m0=LZMA2:d=64k
pack ppmd -m0=PPMd:mem=1m:o=4
pack delta -m0=Delta:4 -m1=Copy
for f in BCJ BCJ2 ARM ARMT ARM64 PPC IA64 SPARC RISCV; do pack "$f" -mf=$f -m0=LZMA:d=64k; done
pack solid -ms=on -m0=LZMA2:d=64k
pack nonsolid -ms=off -m0=LZMA:d=64k
7zz a "$P/packed_header.7z" -m0=LZMA:d=64k a.txt sub >/dev/null
mkdir -p emptydir && : >empty.txt
7zz a "$P/dirs.7z" -mhc=off emptydir empty.txt a.txt >/dev/null

# Hostile names: one file each, renamed in the archive to a name that must
# never leave the root (or that Windows treats specially).
set -- '..\x01.txt' '../x02.txt' 'sub/../../x03.txt' 'C:x04.txt' 'C:\x05.txt' \
  '\\host\share\x06.txt' '\x07.txt' '/x08.txt' 'CON' 'aux.txt' 'a.txt.' 'a.txt ' \
  'a.txt:stream' 'sub\b.txt' 'NUL.txt' '..' '...\x17.txt' '\\?\C:\x18.txt' '\\.\CON' \
  'sub\..\..\L2\keep.txt' '../L2/keep.txt' 'update/../../x22.txt' 'COM1.txt' 'a.txt . .' \
  'C:/x25.txt' '..\L2x.txt' 'sub/./b.txt' 'lpt1'
mkdir hostile && cd hostile
for i in $(seq $#); do printf 'hostile %d' $i >"n$i"; done
7zz a "$P/hostile.7z" -mhc=off -m0=Copy n* >/dev/null
7zz a "$P/hostile_solid.7z" -mhc=off -ms=on -m0=LZMA2:d=64k n* >/dev/null
i=0
for name; do
  i=$((i + 1))
  for a in hostile hostile_solid; do 7zz rn -mhc=off "$P/$a.7z" "n$i" "$name" >/dev/null; done
done
cd ..

S=$OUT/static
{ cat "$HERE/../../demo/static.json"; printf '\n--channel--\nabc|Title'; } >"$S/demo"
cat >"$S/small" <<'EOF'
{"update_url": "http://u/", "game_url": "http://g/", "first_window": "main", "loading": "l.png",
 "windows": {"main": {"next": "game", "buttons": [{"func": "close", "coord": [1, 2], "alter": [3, 4]}, 7]},
  "MAIN": {"defSize": [1, 2], "border": [1, 2, 3, 4], "startMax": 1, "margin": 0.05},
  "game": {"resizable": true, "matrix": {"topleft": [0, 0, 1, 1], "top": [1, 2, 3, 4]}}}}
--channel--
code with space|Title
EOF
printf '{"windows": {"": {"next": ""}, "x": 5}}\n--channel--\n|only title' >"$S/empty_names"
printf '{"first_window": "a", "windows": {"a": {}, "A": []}}' >"$S/no_channel"
printf '[1, 2]\n--channel--\n' >"$S/array"

G=$OUT/start_game
printf '{"result":"ok","url":"http:\\/\\/www.lumora.example\\/game?a=1&b=2"}' >"$G/plain"
printf '{"url":"http://x/\\"q\\"\\\\\\u0041\\n","result":"OK"}' >"$G/escapes"
printf '{"result":"ok","url": "x"}' >"$G/space"
printf '{"result":"okay","url":"http://x/"}' >"$G/okay"
printf '{"result":"ok","url":"http://x/%s"}' "$(head -c 1100 /dev/zero | tr '\0' a)" >"$G/long"
printf '{"result":"ok","url":null}\\' >"$G/null_backslash"
