#!/bin/sh
# Brings up the test rig of one build tree: a private Wine prefix (made once),
# a persistent wineserver and, when there is no usable display, an Xvfb
# server. Idempotent and safe to call from parallel tests.
set -eu
RIG=$1
mkdir -p "$RIG"
exec 9>"$RIG/lock"
flock 9

export WINEPREFIX="$RIG/prefix" WINEDEBUG=-all
WINE=/usr/lib/wine/wine64

if [ ! -f "$RIG/display" ] || ! xdpyinfo -display "$(cat "$RIG/display")" >/dev/null 2>&1; then
  n=91
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  # The lock descriptor must not leak into the servers, or it is held forever.
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >"$RIG/xvfb.log" 2>&1 9>&- &
  echo $! >"$RIG/xvfb.pid"
  for i in $(seq 100); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break || sleep 0.1; done
  xdpyinfo -display ":$n" >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
  echo ":$n" >"$RIG/display"
fi
export DISPLAY="$(cat "$RIG/display")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # No Mono or Gecko installers: the prefix must come up without any prompt.
  WINEDLLOVERRIDES="mscoree,mshtml=" $WINE wineboot -i >/dev/null 2>&1 9>&- || true
  /usr/lib/wine/wineserver -w
fi
/usr/lib/wine/wineserver -p >/dev/null 2>&1 9>&- || true
