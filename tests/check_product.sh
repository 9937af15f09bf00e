#!/bin/sh
# Checks the shipped executable: 32-bit x86, GUI subsystem, and imports from
# system DLLs only (no libgcc, libstdc++ or winpthread beside it).
set -eu
EXE=$1
info=$(i686-w64-mingw32-objdump -p "$EXE")
file "$EXE" | grep -q "PE32 executable (GUI) Intel 80386" || { echo "not a PE32 GUI i386 program: $(file "$EXE")"; exit 1; }
dlls=$(echo "$info" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "imports:" $dlls
bad=$(echo "$dlls" | grep -Ev '^(api-ms-win-.*|(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|gdiplus|wininet|bcrypt|dbghelp|msvcrt|version|uxtheme)\.dll)$' || true)
[ -z "$bad" ] || { echo "unexpected import: $bad"; exit 1; }
echo "$info" | grep -q "Subsystem.*00000002" || { echo "not the GUI subsystem"; exit 1; }
echo "product binary ok"
