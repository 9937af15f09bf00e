#!/bin/sh
# Test fixture: builds the 7z packages the tests use and starts the HTTP
# server. Usage: server_up.sh DIR PROBE_EXE
set -eu
D=$1
PROBE=$2
HERE=$(cd "$(dirname "$0")" && pwd)
"$HERE/server_down.sh" "$D"
rm -rf "$D/www" "$D/src" "$D/pkgs"
mkdir -p "$D/www" "$D/src" "$D/pkgs"
cd "$D/src"

pack() { # pack NAME OPTIONS... -- FILES...
  name=$1; shift
  7zz a "$D/pkgs/$name.7z" "$@" >/dev/null
}

mkdir -p plain/sub plain/deep/x/y && cd plain
printf 'alpha' >a.txt; printf 'beta' >sub/b.txt; printf 'gamma' >deep/x/y/c.txt
pack plain -ms=off a.txt sub deep
cd ..

mkdir solid && cd solid
head -c 70000 /dev/urandom >one.bin; printf 'second file' >two.txt; head -c 5000 /dev/zero >three.bin
pack solid -ms=on -mx=5 one.bin two.txt three.bin
cd ..

mkdir -p empty/nothing && cd empty && pack empty nothing && cd ..

mkdir damaged && cd damaged
for f in 1:A 2:B 3:C; do head -c 4000 /dev/zero | tr '\0' "${f#*:}" >"${f%:*}.txt"; done
pack damaged -ms=off -m0=Copy 1.txt 2.txt 3.txt
python3 -c "import sys; p = sys.argv[1]; b = bytearray(open(p, 'rb').read())
b[b.find(b'B' * 4000) + 10] ^= 0xFF; open(p, 'wb').write(b)" "$D/pkgs/damaged.7z"
cd ..

mkdir -p escape/w && cd escape/w
printf 'good' >good.txt; printf 'evil' >../evil.txt; printf 'evil' >'..\evil2.txt'; printf 'evil' >'C:evil3.txt'
pack escape -spf good.txt ../evil.txt "$D/src/escape/evil.txt" '..\evil2.txt' 'C:evil3.txt'
cd ../..

mkdir launcher && cp "$PROBE" launcher/Lumora2.exe && cd launcher && pack launcher Lumora2.exe && cd ..

# Files to compare our digest with md5sum's: odd sizes across the chunk size,
# and a sparse one past 2 GiB.
mkdir digest && cd digest
head -c 3145741 /dev/urandom >r1.bin; head -c 1048576 /dev/urandom >r2.bin; head -c 1 /dev/urandom >r3.bin
truncate -s 2147483653 big.bin
md5sum r1.bin r2.bin r3.bin big.bin >"$D/pkgs/digests.txt"
cd ..

: >"$D/requests.log"
rm -f "$D/port"
# Detached, with no descriptor of CTest's: it must not keep the test waiting.
setsid python3 "$HERE/http_server.py" "$D/www" "$D/requests.log" "$D/port" \
  </dev/null >"$D/server.out" 2>&1 &
echo $! >"$D/server.pid"
i=0
until [ -s "$D/port" ]; do
  i=$((i + 1)); [ $i -lt 100 ] || { echo "server did not start" >&2; cat "$D/server.out" >&2; exit 1; }
  sleep 0.1
done
