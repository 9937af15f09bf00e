#!/bin/sh
# Runs one fuzz driver under wine64 for as long as asked. A crash or hang
# ends the driver's process: it is saved and the driver starts again with
# the next seed until the time is up. Failing inputs go to
# tests/fuzz/failing/DRIVER (or to SAVE_DIR), which the driver's test
# replays.
# Usage: bench/run_fuzz.sh DRIVER SECONDS [SEED [BUILD_DIR [SAVE_DIR]]]
#   DRIVER: package, static or start_game
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DRIVER=$1
SECONDS_LEFT=$2
SEED=${3:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
B=$(cd "${4:-$ROOT/build}/x86_64" && pwd)
SAVE=${5:-$ROOT/tests/fuzz/failing/$DRIVER}
RIG=$B/rig
winpath() { echo "Z:$1" | tr / '\\'; }
mkdir -p "$SAVE"
SAVE=$(cd "$SAVE" && pwd)

[ -d "$B/tests/fuzz/corpus/$DRIVER" ] || "$ROOT/tests/fuzz/make_corpus.sh" "$B/tests/fuzz/corpus"
"$ROOT/tests/rig/rig-up.sh" "$RIG"

end=$(($(date +%s) + SECONDS_LEFT))
cases=0
while [ "$(date +%s)" -lt "$end" ]; do
  left=$((end - $(date +%s)))
  echo "seed $SEED, $left s left"
  rc=0
  WINEPREFIX=$RIG/prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$B/tests/fuzz/lumora_fuzz.exe" \
    "$DRIVER" --seconds "$left" --seed "$SEED" --save "$(winpath "$SAVE")" \
    </dev/null >"$B/fuzz-$DRIVER.out" 2>&1 || rc=$?
  cat "$B/fuzz-$DRIVER.out"
  n=$(tr -d '\r' <"$B/fuzz-$DRIVER.out" |
    sed -n -e 's/^[a-z_]*: \([0-9]*\) cases in .*/\1/p' -e 's/.* after \([0-9]*\) cases$/\1/p')
  cases=$((cases + ${n:-0}))
  [ $rc -eq 3 ] || [ $rc -eq 1 ] || [ $rc -eq 0 ] || { echo "driver failed to run ($rc)" >&2; exit 1; }
  SEED=$((SEED + 1))
done
echo "$DRIVER: $cases cases in $SECONDS_LEFT s; $(ls "$SAVE" | wc -l) inputs in $SAVE"
