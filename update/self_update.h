// The second half of a self-update: the new launcher, started with "force"
// from the "update" folder, puts itself in place of the installed launcher.
#pragma once

#include <windows.h>

#include <cstddef>

// The installed launcher that a launcher at exePath replaces: the file of the
// same name one level up, when exePath lies in a folder named "update"
// (ignoring case). False, out empty, for any other path or when it does not fit.
bool InstalledLauncherPath(const wchar_t* exePath, wchar_t* out, size_t cap);

// The command-line word with which the installed launcher is started once a
// self-update has put it in place: its update then leaves the launcher alone.
extern const wchar_t kSelfUpdatedWord[];

// True when the command line is that word, compared whole and ignoring case.
bool IsSelfUpdatedCommandLine(const wchar_t* commandLine);

// Run first thing at start-up. When the command line is "force" and this
// launcher runs from the update folder of an installed launcher, it copies
// itself over that launcher, starts it with kSelfUpdatedWord and returns
// true: this run then ends.
// When the installed launcher cannot be replaced, it is started with "test"
// instead. False in every other case; the run then goes on as before.
bool FinishSelfUpdate(const wchar_t* commandLine);
