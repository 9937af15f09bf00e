#!/bin/sh
# CTest's emulator: runs one Windows program of the x86_64 build under wine64
# inside the build tree's rig. Usage: wine-run.sh RIGDIR program.exe [args...]
set -eu
RIG=$1; shift
"$(dirname "$0")/rig-up.sh" "$RIG"
export WINEPREFIX="$RIG/prefix" WINEDEBUG=-all DISPLAY="$(cat "$RIG/display")"
# Wine's helper processes (services, explorer) outlive the program and inherit
# its output; through a file they cannot keep CTest waiting on a pipe.
out=$(mktemp "$RIG/out.XXXXXX")
rc=0
/usr/lib/wine/wine64 "$@" </dev/null >"$out" 2>&1 || rc=$?
cat "$out"
rm -f "$out"
exit $rc
