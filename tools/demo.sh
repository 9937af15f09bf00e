#!/bin/sh
# The launcher's main job on a self-contained demo: a demo launcher directory,
# two releases published to an update server on 127.0.0.1, and the launcher
# runs under Wine (on this display, or on an Xvfb display of its own when
# headless): the first brings the directory up to release 3 and shows the
# windows, the second takes release 4, whose new launcher replaces the old one
# and shows the windows in its place.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/build
echo "demo: building (first run installs packages and takes a few minutes)"
"$ROOT/tools/build.sh" "$OUT" Lumora2 lumora_publish lumora_check \
  >"$OUT.demo-build.log" 2>&1 || { cat "$OUT.demo-build.log"; exit 1; }

RUN=$ROOT/demo-run
rm -rf "$RUN"
mkdir -p "$RUN/launcher" "$RUN/published" "$RUN/server/lmwd"
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

# Release 3: the player's own launcher, a changed file and two new ones.
R3=$RUN/release3 R4=$RUN/release4
mkdir -p "$R3/data" "$R3/music"
cp "$OUT/x86_64/Lumora2.exe" "$R3/"
echo "levels of release 3" >"$R3/data/levels.txt"
echo "Welcome to Lumora 2." >"$R3/readme.txt"
echo "la la la" >"$R3/music/theme.txt"
# Release 4: a changed file, a file in a new folder and a new launcher. The
# new launcher is this same build with a note appended behind its PE image,
# which the loader ignores: other bytes, the same program.
cp -r "$R3" "$R4"
echo "levels of release 4" >"$R4/data/levels.txt"
mkdir -p "$R4/maps"
echo "the forest map" >"$R4/maps/forest.txt"
printf '\nLumora 2 launcher, release 4\n' >>"$R4/Lumora2.exe"

RIG=$OUT/demo-rig
"$ROOT/tests/rig/rig-up.sh" "$RIG"
# The demo's own prefix and display go when it ends, and with them every
# launcher process it started.
SERVER=
trap '[ -z "$SERVER" ] || kill $SERVER 2>/dev/null || true; "$ROOT/tests/rig/rig-down.sh" "$RIG"' EXIT
export WINEPREFIX="$RIG/prefix" WINEDEBUG=-all
# Before any Wine program runs: the first one brings up the prefix's desktop,
# which keeps the display it was started with.
HEADLESS=
if [ -z "${DISPLAY:-}" ]; then export DISPLAY="$(cat "$RIG/display")"; HEADLESS=1; fi
WINE=/usr/lib/wine/wine64
winpath() { echo "Z:$1" | sed 's#/#\\#g'; }
# Published and signed with the Linux build of the studio's own tool, which
# shares the launcher's digest and package naming, calls the system's 7zz and
# signs with libcrypto. The demo's launcher is built without a key, so it
# fetches no signature; a launcher built with this key would require it.
KEY=$RUN/update-key.pem
openssl ecparam -name prime256v1 -genkey -noout -out "$KEY"
publish() { # RELEASE VERSION OUT [PREVIOUS_OUT]
  "$OUT/native/tools/lumora_publish" --sign "$KEY" "$@" </dev/null >>"$RUN/publish.log" 2>&1 ||
    { cat "$RUN/publish.log"; exit 1; }
}
say() { printf 'demo: %s\n' "$*"; }
members() { python3 -c 'import json,sys; print(" ".join(json.load(open(sys.argv[1]))["files"]))' "$1"; }
# The studio's check of the configuration the demo ships (the Linux build),
# and a preview of its skin, drawn by the launcher's own code under Wine.
"$OUT/native/tools/lumora_check" "$RUN/launcher" </dev/null >"$RUN/check.log" 2>&1 ||
  { cat "$RUN/check.log"; exit 1; }
say "lumora_check: $(tail -n 1 "$RUN/check.log")"
"$WINE" "$OUT/x86_64/tools/lumora_check.exe" --preview "$(winpath "$RUN/preview")" \
  "$(winpath "$RUN/launcher")" </dev/null >"$RUN/preview.log" 2>&1 || { cat "$RUN/preview.log"; exit 1; }
say "skin preview: $(ls "$RUN/preview" | paste -sd ' ' -) in $RUN/preview (open index.html)"
publish "$R3" 3 "$RUN/published/3"
# What release 4 would write, before it is written.
"$OUT/native/tools/lumora_publish" --dry-run --sign "$KEY" "$R4" 4 "$RUN/published/4" "$RUN/published/3" |
  sed 's/^/demo: dry run: /'
publish "$R4" 4 "$RUN/published/4" "$RUN/published/3"
say "published release 3: $(members "$RUN/published/3/update.json")"
say "published release 4: $(members "$RUN/published/4/update.json")"
reused=
for p in $(cd "$RUN/published/3/3" && find . -type f | sed 's#^\./##' | sort); do
  cmp -s "$RUN/published/3/3/$p" "$RUN/published/4/4/$p" && reused="$reused $p"
done
say "release 4 reuses release 3's packages:${reused:- none}"
"$OUT/native/tools/lumora_publish" --verify "$("$OUT/native/tools/lumora_publish" --public-key "$KEY")" \
  "$RUN/published/4" </dev/null | sed 's/^/demo: --verify: /'

cp "$ROOT/demo/pages/index.html" "$ROOT/demo/pages/game.html" "$RUN/server/lmwd/"
ln -s ../published/3 "$RUN/server/lm"
cd "$RUN/server"
python3 -m http.server "$PORT" --bind 127.0.0.1 >"$RUN/server.log" 2>&1 &
SERVER=$!
i=0
until python3 -c "import urllib.request; urllib.request.urlopen('$BASE/lm/update.json')" 2>/dev/null; do
  i=$((i + 1)); [ $i -lt 50 ] || { say "the server did not start"; cat "$RUN/server.log"; exit 1; }
  sleep 0.1
done

# What a run asked the server for (GETs only; the launcher sends a HEAD
# before each), from the log lines after line $1: below /lm/ without the
# cache-busting query, or with $2 = lmwd the pages as asked for.
requests() {
  tail -n +"$(($1 + 1))" "$RUN/server.log" | sed -n 's#.*"GET /\([^ ]*\) HTTP[^"]*".*#\1#p' |
    if [ "${2:-}" = lmwd ]; then grep '^lmwd/'; else sed -n 's#^lm/\([^?]*\).*#\1#p'; fi |
    paste -sd ' ' -
}
lines() { wc -l <"$RUN/server.log"; }
matches() { # RELEASE: one line on how the launcher directory compares with it
  bad=
  n=0
  for f in $(cd "$1" && find . -type f | sed 's#^\./##' | sort); do
    n=$((n + 1))
    cmp -s "$1/$f" "$RUN/launcher/$f" || bad="$bad $f"
  done
  if [ -z "$bad" ]; then echo "all $n files match"; else echo "these differ:$bad"; fi
}

# The launcher processes of the demo's own prefix: the one it started and
# any that one started in turn.
launchers() {
  for p in $(pgrep -f 'Lumora2\.exe' || true); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
  return 0
}
end_launchers() { for p in $(launchers); do kill "$p" 2>/dev/null || true; done; }
md5() { md5sum <"$1" | cut -c1-32; }

say "run 1: the server offers release 3 at $BASE/lm/; launcher in $RUN/launcher"
MARK=$(lines)
cd "$RUN/launcher"
"$WINE" ./Lumora2.exe </dev/null >"$RUN/launcher1.log" 2>&1 &
PID=$!
# The window phase has begun once the browser asks for the start page.
i=0
until requests "$MARK" lmwd | grep -q . || ! kill -0 $PID 2>/dev/null || [ $i -ge 600 ]; do
  i=$((i + 1)); sleep 0.2
done
CODE=
if ! kill -0 $PID 2>/dev/null; then
  CODE=0; wait $PID || CODE=$?
elif [ -n "$HEADLESS" ]; then
  sleep 3
  import -window root "$RUN/screenshot.png" 2>/dev/null && say "run 1: screenshot in $RUN/screenshot.png"
  end_launchers
else
  say "run 1: close the launcher's window to go on to release 4"
fi
wait $PID 2>/dev/null || true
say "run 1 fetched: $(requests "$MARK")"
if [ -n "$CODE" ]; then
  say "run 1: the launcher ended by itself with exit code $CODE$([ -f MiniDump.dmp ] && echo ', leaving MiniDump.dmp')"
fi
say "run 1: the browser asked for $(requests "$MARK" lmwd)"
say "after run 1, against release 3: $(matches "$R3")"
say "Wine here has no HTML engine (no Wine Gecko): the page is not drawn and never reports"
say "completion, so the launcher keeps showing its loading picture, as it does for any start"
say "page that does not finish loading. On Windows the start page appears in the skin."

ln -sfn ../published/4 "$RUN/server/lm"
say "run 2: the server offers release 4"
MARK=$(lines)
# Wine's process trace shows the start that the launcher asks for.
WINEDEBUG=-all,+process "$WINE" ./Lumora2.exe </dev/null >"$RUN/launcher2.log" 2>&1 &
PID=$!
CODE=0
wait $PID || CODE=$?
say "run 2: the launcher ended with exit code $CODE after its update, without a window"
restart=$(sed -n 's#.*CreateProcessInternalW app (null) cmdline L"\(.*update.*Lumora2\.exe.*force\)"$#\1#p' \
  "$RUN/launcher2.log" | head -n 1 | sed 's#\\\\#\\#g; s#\\"#"#g')
say "run 2: it started ${restart:-no new launcher}"
# The new launcher puts itself in place of the old one and starts it there;
# that run finds nothing more to fetch, clears update\ and shows the windows.
i=0
until requests "$MARK" lmwd | grep -q . || [ -z "$(launchers)" ] || [ $i -ge 600 ]; do
  i=$((i + 1)); sleep 0.2
done
if [ -n "$(launchers)" ]; then
  if [ -n "$HEADLESS" ]; then
    sleep 3
    import -window root "$RUN/screenshot2.png" 2>/dev/null && say "run 2: screenshot in $RUN/screenshot2.png"
  else
    say "run 2: close the launcher's window to end the demo"
  fi
fi
while [ -n "$(launchers)" ] && [ -z "$HEADLESS" ]; do sleep 0.5; done
end_launchers
say "run 2 fetched: $(requests "$MARK") (the second update.json is the new launcher's own check)"
say "run 2: the browser asked for $(requests "$MARK" lmwd)"
if cmp -s "$RUN/launcher/Lumora2.exe" "$R4/Lumora2.exe"; then own="release 4's launcher"
elif cmp -s "$RUN/launcher/Lumora2.exe" "$R3/Lumora2.exe"; then own="still release 3's launcher"
else own="neither release's launcher"; fi
say "the directory's Lumora2.exe is now $own (MD5 $(md5 "$RUN/launcher/Lumora2.exe"))"
if [ -d "$RUN/launcher/update" ]; then say "the update folder is still there"; else say "the update folder is gone"; fi
say "after run 2, against release 4: $(matches "$R4")"
