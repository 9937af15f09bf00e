// The static configuration: the two web URLs, the window layouts of the skin
// and the URL the browser opens first, read once from "static.json".
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <memory>

#include "core/static_keys.h"

struct NineGridRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct IntPoint {
    int x = 0, y = 0;
};

struct IntSize {
    int cx = 0, cy = 0;
};

enum ButtonFunc {
    kFuncNone = -1,
    kFuncClose = 0,
    kFuncMinimize = 1,
    kFuncMaximize = 2,
    kFuncRefresh = 3
};

struct ButtonDesc {
    IntPoint coord;
    IntSize size;
    IntPoint normal;
    IntPoint hove;
    IntPoint pressed;
    IntPoint alter;
    IntPoint alter_hove;
    IntPoint alter_pressed;
    int func = kFuncNone;
};

enum NineGridPiece { kTopLeft, kTop, kTopRight, kLeft, kRight, kBottomLeft, kBottom, kBottomRight };
static_assert(sizeof(static_keys::kPieces) / sizeof(*static_keys::kPieces) == kBottomRight + 1);
static_assert(sizeof(static_keys::kFuncs) / sizeof(*static_keys::kFuncs) == kFuncRefresh + 1);

struct WindowDesc {
    char name[32] = {};
    char next[32] = {};
    // A name or "next" too long for its field stays empty but is marked, so
    // that it matches nothing rather than a window that is really unnamed.
    bool nameRefused = false;
    bool nextRefused = false;
    bool use9Matrix = false;
    bool resizable = false;
    IntSize defSize{1300, 768};
    IntSize maxSize{1920, 1080};
    double margin = 0.1;
    wchar_t cursor[260] = {};
    wchar_t background[260] = {};
    wchar_t elements[260] = {};
    int border[4] = {}; // top, left, right, bottom
    NineGridRect matrix[8];
    bool startMax = false;
    int buttonCount = 0;
    std::unique_ptr<ButtonDesc[]> buttons;
};

// Supplies the machine code, or null when it cannot be had.
using MachineCodeSource = const wchar_t* (*)();

struct StaticConfig {
    wchar_t updateUrl[260] = {};
    wchar_t startUrl[260] = {};
    wchar_t gameUrl[260] = {};
    wchar_t title[256] = {};
    int windowCount = 0;
    std::unique_ptr<WindowDesc[]> windows;
    wchar_t loading[260] = {};
    int firstWindow = -1;
    // Show a window with the update's progress when the update takes long;
    // off, the update stays silent.
    bool updateProgress = false;
    // The launcher directory the configuration was read from; the first-run
    // marker lives there too.
    wchar_t baseDir[260] = {};

    // Reads "static.json" and "channel" next to the executable.
    void LoadStaticConfig(const wchar_t* productName, const wchar_t* staticUrl,
                          const wchar_t* webUrl, int version);
    // The same for a given launcher directory and machine-code source.
    void LoadStaticConfigFrom(const wchar_t* dir, const wchar_t* productName,
                              const wchar_t* staticUrl, const wchar_t* webUrl, int version,
                              MachineCodeSource machineCode);
    // Derives startUrl from gameUrl, marking the first run on this computer.
    void ApplyFirstRunFlag();

    bool IsValidWindow(int i) const { return i >= 0 && i < windowCount && windows; }
    const WindowDesc* Window(int i) const { return IsValidWindow(i) ? &windows[i] : nullptr; }
    // The first window whose name equals name, ignoring case, or -1.
    int FindWindowByName(const char* name) const;
};

// Whether w is the window called name, ignoring case; a refused name on
// either side matches nothing.
bool IsWindowNamed(const WindowDesc& w, const char* name, bool nameRefused = false);

// Maps a button's "func" name to its command, ignoring case; -1 for others.
int ButtonFuncFromName(const char* name);

// The run's configuration.
extern StaticConfig g_staticConfig;
