#!/bin/sh
# Test fixture: builds the 7z packages the tests use and starts the HTTP
# server; without PROBE_EXE it only stops the server. Usage: server_up.sh DIR [PROBE_EXE]
set -eu
D=$1
HERE=$(cd "$(dirname "$0")" && pwd)
[ ! -f "$D/server.pid" ] || kill "$(cat "$D/server.pid")" 2>/dev/null || true
rm -f "$D/server.pid"
[ $# -gt 1 ] || exit 0
rm -rf "$D/www" "$D/src" "$D/pkgs"
mkdir -p "$D/www" "$D/pkgs" "$D/src/plain/sub" "$D/src/plain/deep/x/y" "$D/src/solid" "$D/src/empty/nothing" \
  "$D/src/damaged" "$D/src/launcher" "$D/src/digest"
pack() { name=$1; shift; 7zz a "$D/pkgs/$name.7z" "$@" >/dev/null; } # pack NAME 7z-ARGS...
cd "$D/src/plain"
printf 'alpha' >a.txt; printf 'beta' >sub/b.txt; printf 'gamma' >deep/x/y/c.txt
pack plain -ms=off a.txt sub deep
cd ../solid
head -c 70000 /dev/urandom >one.bin; printf 'second file' >two.txt; head -c 5000 /dev/zero >three.bin
pack solid -ms=on -mx=5 one.bin two.txt three.bin
cd ../empty && pack empty nothing
cd ../damaged
for f in 1:A 2:B 3:C; do head -c 4000 /dev/zero | tr '\0' "${f#*:}" >"${f%:*}.txt"; done
pack damaged -ms=off -m0=Copy 1.txt 2.txt 3.txt
python3 -c "import sys; p = sys.argv[1]; b = bytearray(open(p, 'rb').read())
b[b.find(b'B' * 4000) + 10] ^= 0xFF; open(p, 'wb').write(b)" "$D/pkgs/damaged.7z"
cd ../launcher && cp "$2" Lumora2.exe && pack launcher Lumora2.exe
# Our digest against md5sum's: empty, 62 bytes (padding into a second block),
# odd sizes across the chunk size, a sparse file past 2 GiB.
cd ../digest
for n in 0 1 62 1048576 3145741; do head -c $n /dev/urandom >r$n.bin; done
truncate -s 2147483653 big.bin && md5sum * >"$D/pkgs/digests.txt"

: >"$D/requests.log"
rm -f "$D/port"
# Detached, with no descriptor of CTest's: it must not keep the test waiting.
setsid python3 "$HERE/http_server.py" "$D/www" "$D/requests.log" "$D/port" </dev/null >"$D/server.out" 2>&1 &
echo $! >"$D/server.pid"
i=0
until [ -s "$D/port" ]; do
  i=$((i + 1)); [ $i -lt 100 ] || { echo "server did not start" >&2; cat "$D/server.out" >&2; exit 1; }
  sleep 0.1
done
