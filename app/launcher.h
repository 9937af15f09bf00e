// The launcher's run: configuration, update, then the windows.
#pragma once

#include <windows.h>

// True when the command line is the word "test", compared whole and ignoring
// case: the update check is then skipped.
bool IsTestCommandLine(const wchar_t* commandLine);

// updateKey: the public key that signs updates, empty when they are not signed.
int LauncherMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand, int version,
                 const wchar_t* productName, const wchar_t* staticUrl, const wchar_t* webUrl,
                 const char* updateKey = "");

// Creates the main window and runs the thread's message loop until the quit
// message; returns its wParam, or 0 when the window cannot be created.
int RunMainWindow(const wchar_t* commandLine, int showCommand);
