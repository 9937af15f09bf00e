// The crash dump of the window phase: "MiniDump.dmp" in the current directory.
#pragma once

#include <windows.h>

// Writes the dump for the given exception (or none) and prints one of three
// messages on standard output.
void WriteCrashDump(EXCEPTION_POINTERS* exception);

using WindowPhase = int (*)(const wchar_t* commandLine, int showCommand);

// Runs the window phase so that an exception escaping from it, window
// procedures included, is written to the dump and ends the process with exit
// code 0.
int RunGuarded(WindowPhase phase, const wchar_t* commandLine, int showCommand);
