#!/bin/sh
# A no-change update check under wine64: 1,000 files of 200 MiB (the largest
# 40 MiB), all listed with their correct digests in a manifest of version 3,
# served on 127.0.0.1. Prints time, packages fetched and peak memory.
# Usage: bench/run_update.sh [BUILD_DIR [RUNS]]   (default: build, 5)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ROOT/build}/x86_64" && pwd)
RUNS=${2:-5}
D=$B/bench-data/update
RIG=$B/rig
BIG_MIB=40
mkdir -p "$D"

if [ ! -f "$D/www/update.json" ]; then
  rm -rf "$D/dir" "$D/www" && mkdir -p "$D/dir" "$D/www"
  python3 - "$D" "$BIG_MIB" <<'EOF'
import hashlib, json, os, random, sys
d, big = sys.argv[1], int(sys.argv[2]) << 20
r = random.Random(11)
# 999 small and middling files of varied sizes filling 160 MiB, and one large.
weights = [r.lognormvariate(0, 1.5) for _ in range(999)]
scale = (200 * 2**20 - big) / sum(weights)
sizes = [max(1, int(w * scale)) for w in weights]
files = {}
def put(name, size):
    path = os.path.join(d, "dir", *name.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = r.randbytes(size)
    open(path, "wb").write(data)
    files[name] = hashlib.md5(data).hexdigest()
put("res\\big.pak", big)
for i, size in enumerate(sizes):
    put("data\\%d\\f%03d.bin" % (i % 10, i), size)
json.dump({"version": 3, "files": files}, open(os.path.join(d, "www", "update.json"), "w"),
          indent=1)
EOF
fi

"$ROOT/tests/rig/rig-up.sh" "$RIG"
. "$ROOT/bench/test_server.sh"
start_test_server "$ROOT" "$D"
WIN_DIR="Z:$(echo "$D/dir" | tr / '\\')"
du -sb --apparent-size "$D/dir" | awk '{ printf "launcher directory: %.1f MiB in ", $1 / 1048576 }'
echo "$(find "$D/dir" -type f | wc -l) files, largest $BIG_MIB MiB"

: >"$D/figures"
i=0
while [ $i -lt "$RUNS" ]; do
  i=$((i + 1))
  WINEPREFIX=$RIG/prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$B/bench/update_bench.exe" \
    "$WIN_DIR" "$URL" </dev/null >"$D/out.txt" 2>&1
  secs=$(sed -n 's/^RunUpdate \([0-9.]*\) s.*/\1/p' "$D/out.txt")
  ws0=$(sed -n 's/^before.*PeakWorkingSetSize \([0-9.]*\) MiB.*/\1/p' "$D/out.txt")
  ws1=$(sed -n 's/^after.*PeakWorkingSetSize \([0-9.]*\) MiB.*/\1/p' "$D/out.txt")
  pf0=$(sed -n 's/^before.*PeakPagefileUsage \([0-9.]*\) MiB.*/\1/p' "$D/out.txt")
  pf1=$(sed -n 's/^after.*PeakPagefileUsage \([0-9.]*\) MiB.*/\1/p' "$D/out.txt")
  echo "run $i: $secs s, peak working set $ws0 -> $ws1 MiB, peak pagefile $pf0 -> $pf1 MiB"
  echo "$secs $ws0 $ws1 $pf0 $pf1" >>"$D/figures"
done
packages=$(grep -c '\.7z' "$D/requests.log" || true)
manifests=$(grep -c '^GET	/update.json' "$D/requests.log" || true)
echo "requests: $manifests manifest GETs, $packages package requests"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
col() { cut -d' ' -f"$1" "$D/figures" | median; }
echo "median of $RUNS: $(col 1) s; peak working set $(col 2) -> $(col 3) MiB;" \
  "peak pagefile $(col 4) -> $(col 5) MiB"
# Wine 8 reports the current pagefile usage as its peak, so only the peak
# working set tells whether a whole file was ever held in memory.
echo "$(col 3) $(col 2) $BIG_MIB" | awk '{
  g = $1 - $2
  printf "peak working set grew %.1f MiB during the check (largest file %d MiB): %s\n",
    g, $3, g < $3 / 4 ? "constant, not the file size" : "GROWS WITH THE FILE" }'
[ "$packages" -eq 0 ]
