#!/bin/sh
# Checks the shipped executable: 32-bit x86, GUI subsystem, and imports from
# system DLLs only (no libgcc, libstdc++ or winpthread beside it).
set -eu
EXE=$1
info=$(i686-w64-mingw32-objdump -p "$EXE")
file "$EXE" | grep -q "PE32 executable (GUI) Intel 80386" || { echo "not a PE32 GUI i386 program: $(file "$EXE")"; exit 1; }
dlls=$(echo "$info" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports:" $dlls
for d in $dlls; do
  case "$d" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll|oleaut32.dll|\
    comctl32.dll|gdiplus.dll|wininet.dll|bcrypt.dll|dbghelp.dll|msvcrt.dll|version.dll|uxtheme.dll) ;;
    api-ms-win-*) ;;
    *) echo "unexpected import: $d"; exit 1 ;;
  esac
done
echo "$info" | grep -q "Subsystem.*00000002" || { echo "not the GUI subsystem"; exit 1; }
echo "product binary ok"
