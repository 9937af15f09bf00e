#!/bin/sh
# Stops the server that server_up.sh started.
D=$1
if [ -f "$D/server.pid" ]; then kill "$(cat "$D/server.pid")" 2>/dev/null || true; rm -f "$D/server.pid"; fi
exit 0
