#!/bin/sh
# Extraction throughput: our ExtractPackage under wine64 against native
# `7zz x -mmt1` (and `7zz t -mmt1`, which decodes and checks without
# writing), on one solid package of about 100 MiB, several runs.
# Usage: bench/run_extract.sh [BUILD_DIR [RUNS]]   (default: build, 5)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ROOT/build}/x86_64" && pwd)
RUNS=${2:-5}
D=$B/bench-data/extract
RIG=$B/rig
mkdir -p "$D"

if [ ! -f "$D/package.7z" ]; then
  rm -rf "$D/src" && mkdir -p "$D/src"
  # Seeded, so that every machine packs the same bytes: random (incompressible),
  # base64 text (partly compressible), log lines and zeros (very compressible).
  python3 - "$D/src" <<'EOF'
import base64, random, sys
r = random.Random(7)
d = sys.argv[1]
open(d + "/media1.bin", "wb").write(r.randbytes(40 << 20))
open(d + "/media2.bin", "wb").write(r.randbytes(16 << 20))
open(d + "/assets.dat", "wb").write(base64.encodebytes(r.randbytes(36 << 20)))
words = ["player", "level", "score", "item", "zone", "quest", "load", "ok", "warn", "sync"]
with open(d + "/game.log", "w") as f:
    n = 0
    while n < (64 << 20):
        line = "%08d %s %s=%d %s\n" % (n, r.choice(words), r.choice(words),
                                        r.randrange(100000), r.choice(words))
        f.write(line)
        n += len(line)
open(d + "/blank.pak", "wb").write(bytes(8 << 20))
EOF
  (cd "$D/src" && 7zz a "$D/package.7z" -ms=on media1.bin assets.dat game.log media2.bin \
    blank.pak >/dev/null)
fi

"$ROOT/tests/rig/rig-up.sh" "$RIG"
WIN_D="Z:$(echo "$D" | tr / '\\')"
EXE=$B/bench/extract_bench.exe
now() { date +%s.%N; }
OUT_MIB=$(du -sb --apparent-size "$D/src" | awk '{ printf "%.1f", $1 / 1048576 }')
ls -l "$D/package.7z" | awk '{ printf "package %.1f MiB, content '"$OUT_MIB"' MiB\n", $5 / 1048576 }'

: >"$D/figures"
i=0
while [ $i -lt "$RUNS" ]; do
  i=$((i + 1))
  rm -rf "$D/native" "$D/ours" && mkdir -p "$D/ours"
  sync
  t0=$(now)
  7zz x -mmt1 -y -o"$D/native" "$D/package.7z" >/dev/null
  t1=$(now)
  7zz t -mmt1 "$D/package.7z" >/dev/null
  t2=$(now)
  native=$(echo "$t0 $t1 $OUT_MIB" | awk '{ printf "%.1f", $3 / ($2 - $1) }')
  decode=$(echo "$t1 $t2 $OUT_MIB" | awk '{ printf "%.1f", $3 / ($2 - $1) }')
  sync
  WINEPREFIX=$RIG/prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$EXE" \
    "$WIN_D\\package.7z" "$WIN_D\\ours" </dev/null >"$D/out.txt" 2>&1
  ours=$(sed -n 's/^ExtractPackage.* = \([0-9.]*\) MiB\/s.*/\1/p' "$D/out.txt")
  share=$(sed -n 's/^WriteFile.*(\([0-9]*\)% .*/\1/p' "$D/out.txt")
  echo "run $i: 7zz $native MiB/s (test only $decode), ours $ours MiB/s, writes $share% of ours"
  echo "$native $ours $share $decode" >>"$D/figures"
done
cmp -s "$D/native/game.log" "$D/ours/game.log" || { echo "outputs differ" >&2; exit 1; }
sed 's/^/last run: /' "$D/out.txt"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
n=$(cut -d' ' -f1 "$D/figures" | median)
o=$(cut -d' ' -f2 "$D/figures" | median)
s=$(cut -d' ' -f3 "$D/figures" | median)
t=$(cut -d' ' -f4 "$D/figures" | median)
echo "median of $RUNS: 7zz $n MiB/s (test only $t), ours $o MiB/s," \
  "ratio $(echo "$o $n" | awk '{ printf "%.2f", $1 / $2 }'), writes $s% of ours"
rm -rf "$D/native" "$D/ours"
