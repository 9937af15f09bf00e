#!/bin/sh
# Builds the launcher and runs it under Wine on a self-contained demo
# directory. Headless machines get an Xvfb display of their own.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build
"$ROOT/tools/build.sh" "$OUT" >/dev/null
RUN=$ROOT/demo-run
rm -rf "$RUN"; mkdir -p "$RUN/launcher"
cp "$OUT/x86_64/Lumora2.exe" "$RUN/launcher/"
if [ -d "$ROOT/demo" ]; then cp -r "$ROOT/demo/." "$RUN/launcher/"; fi
printf 'demo|Lumora 2 (demo)' >"$RUN/launcher/channel"

RIG=$OUT/x86_64/rig
"$ROOT/tests/rig/rig-up.sh" "$RIG"
export WINEPREFIX="$RIG/prefix" WINEDEBUG=-all
if [ -z "${DISPLAY:-}" ]; then export DISPLAY="$(cat "$RIG/display")"; HEADLESS=1; else HEADLESS=; fi

echo "demo: running the launcher with \"test\" (no update server yet) in $RUN/launcher"
cd "$RUN/launcher"
/usr/lib/wine/wine64 ./Lumora2.exe test </dev/null >"$RUN/launcher.log" 2>&1 &
PID=$!
sleep 8
if [ -n "$HEADLESS" ]; then
  import -window root "$RUN/screenshot.png" 2>/dev/null && echo "demo: screenshot in $RUN/screenshot.png"
  kill $PID 2>/dev/null || true
fi
rc=0; wait $PID || rc=$?
echo "demo: launcher ended with exit code $rc"
echo "demo: start URL files: $(ls "$RUN/launcher")"
