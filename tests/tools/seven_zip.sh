#!/bin/sh
# Runs the Linux 7zz for seven_zip_shim.exe: turns the Windows paths it was
# given into Unix ones and leaves the exit code in the marker file.
# Usage: seven_zip.sh MARKER 7z-arguments...
to_unix() {
  case "$1" in
    [A-Za-z]:*)
      drive=$(printf '%s' "${1%"${1#?}"}" | tr 'A-Z' 'a-z')
      printf '%s/dosdevices/%s:' "${WINEPREFIX:-$HOME/.wine}" "$drive"
      printf '%s' "${1#??}" | tr '\\' '/' ;;
    *) printf '%s' "$1" | tr '\\' '/' ;;
  esac
}
marker=$(to_unix "$1"); shift
for a in "$@"; do set -- "$@" "$(to_unix "$a")"; shift; done
rc=0
/usr/bin/7zz "$@" >/dev/null 2>&1 || rc=$?
echo "$rc" >"$marker.part"
mv "$marker.part" "$marker"
