// The main window's remembered size and maximised state ("Config.json") and
// the canonical paths of the running executable.
#pragma once

#include <windows.h>

struct StaticConfig;

struct SavedState {
    int width = 1300;
    int height = 768;
    // 0: no saved choice, 1: left normal, 2: left maximised.
    int maximized = 0;
    wchar_t exePath[260] = {};
    wchar_t exeDir[260] = {};
    wchar_t configPath[260] = {};

    // Records the executable's paths and computes the default size from the
    // work area and the configuration's "game" window.
    void InitSavedStateWith(const wchar_t* executablePath, const StaticConfig& config,
                            const RECT& workArea);
    void LoadSavedState();
    void SaveSavedState();

    // The configuration the size bounds come from; none before InitSavedStateWith.
    const StaticConfig* config = nullptr;
};

extern SavedState g_savedState;
