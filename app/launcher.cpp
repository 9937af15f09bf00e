#include "app/launcher.h"

#include "core/app_module.h"
#include "core/crash_dump.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "update/self_update.h"
#include "update/update.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlwapi.h>

// GDI+'s C++ header needs min/max, which NOMINMAX keeps out of windows.h.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

bool IsTestCommandLine(const wchar_t* commandLine) {
    return commandLine && StrCmpIW(commandLine, L"test") == 0;
}

int LauncherMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand, int version,
                 const wchar_t* productName, const wchar_t* staticUrl, const wchar_t* webUrl) {
    CoInitialize(nullptr);
    // Before anything is read or written in the update folder.
    if (FinishSelfUpdate(commandLine)) {
        CoUninitialize();
        return 0;
    }
    g_staticConfig.LoadStaticConfig(productName, staticUrl, webUrl, version);

    wchar_t exePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    g_savedState.InitSavedState(exePath);

    if (!IsTestCommandLine(commandLine)) {
        if (RunUpdate(g_savedState.exeDir, g_savedState.exePath, g_staticConfig.updateUrl, version,
                      !IsSelfUpdatedCommandLine(commandLine))) {
            CoUninitialize();
            return 0;
        }
    }

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    g_appModule.Init(instance);

    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

    int result = RunGuarded(RunMainWindow, commandLine, showCommand);

    Gdiplus::GdiplusShutdown(gdiplusToken);
    g_appModule.Term();
    CoUninitialize();
    return result;
}
