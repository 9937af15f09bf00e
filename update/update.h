// The update check: brings the launcher directory in line with the server's
// manifest "update.json" and, for a new launcher, starts it in its place.
#pragma once

#include <windows.h>

struct UpdateProgress;

// Runs the update of the launcher directory launcherDir, whose launcher is
// launcherPath, from the manifest and packages below updateUrl; true when a
// new launcher was started and the run must end.
// The new launcher is started only when its digest is the one listed for it.
// Without selfUpdate (a launcher just put in place by a self-update) the
// launcher's own member is never fetched; the other members are.
// With updateKey (the public key, see update/signature.h; empty or null for
// none), the manifest is used only when "update.json.sig" verifies over it,
// and packages write only the files it lists, with their listed digests.
// Packages are fetched side by side and put in place in the manifest's
// order; progress, when given, receives the figures and may cancel the run.
// Only one update of a directory runs at a time: a second waits for the first.
bool RunUpdate(const wchar_t* launcherDir, const wchar_t* launcherPath, const wchar_t* updateUrl,
               int builtInVersion, bool selfUpdate = true, const char* updateKey = nullptr,
               UpdateProgress* progress = nullptr);

// Whether a listed member is fetched. localMd5 is null when the local file
// could not be read; digests compare ignoring case.
bool ShouldFetchMember(const char* localMd5, bool manifestNewer, const char* listedMd5);
