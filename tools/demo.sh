#!/bin/sh
# The launcher's main job on a self-contained demo: a demo launcher directory,
# a release published to an update server on 127.0.0.1, and the launcher run
# under Wine (on this display, or on an Xvfb display of its own when headless).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build
echo "demo: building (first run installs packages and takes a few minutes)"
{ "$ROOT/tools/build.sh" "$OUT" Lumora2 lumora_publish && cmake --build "$OUT/x86_64" --target seven_zip_shim; } \
  >"$OUT.demo-build.log" 2>&1 || { cat "$OUT.demo-build.log"; exit 1; }

RUN=$ROOT/demo-run
rm -rf "$RUN"
mkdir -p "$RUN/launcher" "$RUN/server/lmwd" "$RUN/release"
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
BASE="http://127.0.0.1:$PORT"

# The launcher directory a player would have: the program, its skin, its
# configuration pointing at the demo server, a channel and one stale file.
cp "$OUT/x86_64/Lumora2.exe" "$RUN/launcher/"
cp -r "$ROOT/demo/skin" "$RUN/launcher/"
python3 - "$ROOT/demo/static.json" "$RUN/launcher/static.json" "$BASE" <<'PY'
import json, sys
cfg = json.load(open(sys.argv[1]))
cfg["update_url"] = sys.argv[3] + "/lm/"
cfg["game_url"] = sys.argv[3] + "/lmwd/index.html"
json.dump(cfg, open(sys.argv[2], "w"), indent=2)
PY
printf 'demo|Lumora 2 (demo)' >"$RUN/launcher/channel"
mkdir -p "$RUN/launcher/data"
echo "levels of an old release" >"$RUN/launcher/data/levels.txt"

# Release 3: a changed file and a new file in a new folder, each as its own
# 7z package below the version folder, listed with MD5 digests.
mkdir -p "$RUN/release/data" "$RUN/release/music"
echo "levels of release 3" >"$RUN/release/data/levels.txt"
echo "Welcome to Lumora 2, release 3." >"$RUN/release/readme.txt"
echo "la la la" >"$RUN/release/music/theme.txt"
RIG=$OUT/x86_64/rig
"$ROOT/tests/rig/rig-up.sh" "$RIG"
export WINEPREFIX="$RIG/prefix" WINEDEBUG=-all
winpath() { echo "Z:$1" | sed 's#/#\\#g'; }
# Published with the studio's own tool, which shares the launcher's digest
# and package naming; under Wine it reaches the Linux 7zz through a shim.
/usr/lib/wine/wine64 "$OUT/x86_64/tools/lumora_publish.exe" \
  "--sevenzip=$(winpath "$OUT/x86_64/tests/tools/seven_zip_shim.exe")" \
  "$(winpath "$RUN/release")" 3 "$(winpath "$RUN/server/lm")" </dev/null >"$RUN/publish.log" 2>&1 ||
  { cat "$RUN/publish.log"; exit 1; }
echo "demo: published release 3: $(cat "$RUN/server/lm/update.json")"
cp "$ROOT/demo/pages/index.html" "$RUN/server/lmwd/index.html" 2>/dev/null ||
  cat >"$RUN/server/lmwd/index.html" <<'HTML'
<!doctype html><title>Lumora 2</title>
<body style="background:#241440;color:#fff;font-family:sans-serif">
<h1>Lumora 2</h1><button id="play">Play</button>
<script>
document.getElementById("play").onclick = function () {
  window.external.StartGame('{"result":"ok","url":"' + location.href.replace(/\/lmwd\/.*/, "/lmwd/game.html").replace(/\//g, "\\/") + '"}');
};
</script>
HTML
echo '<!doctype html><title>Lumora 2 game</title><body style="background:#000;color:#fff">The game.' \
  >"$RUN/server/lmwd/game.html"

cd "$RUN/server"
python3 -m http.server "$PORT" --bind 127.0.0.1 >"$RUN/server.log" 2>&1 &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
sleep 1

HEADLESS=
if [ -z "${DISPLAY:-}" ]; then export DISPLAY="$(cat "$RIG/display")"; HEADLESS=1; fi

echo "demo: update server $BASE/lm/ (release 3: 3 files); launcher in $RUN/launcher"
cd "$RUN/launcher"
/usr/lib/wine/wine64 ./Lumora2.exe </dev/null >"$RUN/launcher.log" 2>&1 &
PID=$!
if [ -n "$HEADLESS" ]; then
  sleep 15
  import -window root "$RUN/screenshot.png" 2>/dev/null && echo "demo: screenshot in $RUN/screenshot.png"
  kill $PID 2>/dev/null || true
else
  echo "demo: close the launcher's window to end the demo"
fi
wait $PID 2>/dev/null || true

echo "demo: requests the launcher made:"
grep -o '"[A-Z]* [^"]*"' "$RUN/server.log" | sed 's/^/  /'
for f in data/levels.txt readme.txt music/theme.txt; do
  if cmp -s "$RUN/release/$f" "$RUN/launcher/$f"; then echo "demo: $f is up to date"; else echo "demo: $f was NOT updated"; fi
done
echo "demo: Wine here has no HTML engine (no Wine Gecko), so the page itself is not drawn and never"
echo "demo: reports completion: the launcher keeps showing its loading picture, as it does for any"
echo "demo: start page that does not finish loading. On Windows the start page appears in the skin."
