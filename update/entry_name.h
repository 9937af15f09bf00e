// The names an update package may write: below the destination root, plain
// files only, whatever the archive claims.
#pragma once

#include <windows.h>

// True when an archive entry name stays below the destination root and names
// a plain file: no drive, no absolute or UNC path, no ".." component (with
// either separator), no device name ("CON", "aux.txt") and no character that
// Windows refuses in a name ("*", "?", ...).
bool IsSafeEntryName(const wchar_t* name);

// root joined with a relative name (the shell's path-append rule); false
// unless the result lies below root. root may be a drive root ("Q:\").
bool JoinPathChecked(wchar_t (&out)[MAX_PATH], const wchar_t* root, const wchar_t* name);
