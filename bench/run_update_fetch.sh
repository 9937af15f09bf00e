#!/bin/sh
# The whole update of 200 changed files (4-64 KiB, one package each) under
# wine64, against the tests' server answering every request 50 ms late: the
# packages fetched one after another, then side by side, in one run.
# Usage: bench/run_update_fetch.sh [BUILD_DIR [RUNS]]   (default: build, 3)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ROOT/build}/x86_64" && pwd)
RUNS=${2:-3}
D=$B/bench-data/update-fetch
RIG=$B/rig
FILES=200 DELAY_MS=50 FETCHES=4
mkdir -p "$D"

if [ ! -f "$D/www/update.json" ]; then
  rm -rf "$D/src" "$D/www" "$D/work" && mkdir -p "$D/src" "$D/www/3/data" "$D/work"
  python3 - "$D" "$FILES" <<'PY'
import hashlib, json, os, random, sys
d, n = sys.argv[1], int(sys.argv[2])
r = random.Random(15)
files = {}
for i in range(n):
    data = r.randbytes(r.randint(4 << 10, 64 << 10))
    open(os.path.join(d, "src", "f%03d.bin" % i), "wb").write(data)
    files["data\\f%03d.bin" % i] = hashlib.md5(data).hexdigest()
json.dump({"version": 3, "files": files}, open(os.path.join(d, "www", "update.json"), "w"))
PY
  i=0
  while [ $i -lt "$FILES" ]; do
    f=$(printf 'f%03d' $i)
    mkdir -p "$D/src/$f/data" && mv "$D/src/$f.bin" "$D/src/$f/data/"
    (cd "$D/src/$f" && 7zz a -mx=1 "$D/www/3/data/$f.7z" data >/dev/null)
    i=$((i + 1))
  done
fi
# Every request of the run answered late, the manifest's too.
for f in "$D/www/update.json" "$D"/www/3/data/*.7z; do echo "delay$DELAY_MS" >"$f.mode"; done

"$ROOT/tests/rig/rig-up.sh" "$RIG"
. "$ROOT/bench/test_server.sh"
start_test_server "$ROOT" "$D"
WIN_DIR="Z:$(echo "$D/work" | tr / '\\')"

# The delays that cannot overlap: the manifest's HEAD and GET, then two
# requests per package spread over the connections.
FLOOR=$(awk -v n="$FILES" -v d="$DELAY_MS" -v c="$FETCHES" \
  'BEGIN { printf "%.3f", (2 + 2 * n / c) * d / 1000 }')
echo "$FILES packages, every request $DELAY_MS ms late; floor with $FETCHES at once: $FLOOR s"
: >"$D/figures"
i=0
while [ $i -lt "$RUNS" ]; do
  i=$((i + 1))
  : >"$D/requests.log"
  WINEPREFIX=$RIG/prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$B/bench/update_bench.exe" \
    --fetch "$WIN_DIR" "$URL" </dev/null >"$D/out.txt" 2>&1
  seq=$(sed -n 's/^1 at once: RunUpdate \([0-9.]*\) s.*/\1/p' "$D/out.txt")
  par=$(sed -n "s/^$FETCHES at once: RunUpdate \([0-9.]*\) s.*/\1/p" "$D/out.txt")
  gets=$(grep -c '^GET	/3/' "$D/requests.log" || true)
  echo "run $i: sequential $seq s, overlapped $par s ($gets package GETs in both)"
  grep -q "$FILES of $FILES packages" "$D/out.txt" || { cat "$D/out.txt"; exit 1; }
  echo "$seq $par" >>"$D/figures"
done
cmp -s "$D/src/f000/data/f000.bin" "$D/work/overlapped/data/f000.bin" || { echo "files differ"; exit 1; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seq=$(cut -d' ' -f1 "$D/figures" | median)
par=$(cut -d' ' -f2 "$D/figures" | median)
awk -v s="$seq" -v p="$par" -v f="$FLOOR" -v n="$RUNS" 'BEGIN {
  printf "median of %d: sequential %.3f s, overlapped %.3f s: %.2f of sequential, %.2f x floor\n",
    n, s, p, p / s, p / f }'
