#!/bin/sh
# Stops what rig-up.sh started; the prefix stays for the next run.
RIG=$1
WINEPREFIX="$RIG/prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
if [ -f "$RIG/xvfb.pid" ]; then kill "$(cat "$RIG/xvfb.pid")" 2>/dev/null || true; rm -f "$RIG/xvfb.pid" "$RIG/display"; fi
exit 0
