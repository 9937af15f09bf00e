#include "app/launcher.h"

#include "app/progress_show.h"
#include "core/app_module.h"
#include "core/crash_dump.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "update/self_update.h"
#include "update/update.h"
#include "update/update_progress.h"
#include "win/com_scoped.h"
#include "win/gdiplus_scoped.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <memory>
#include <new>

bool IsTestCommandLine(const wchar_t* commandLine) {
    return commandLine && StrCmpIW(commandLine, L"test") == 0;
}

int LauncherMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand, int version,
                 const wchar_t* productName, const wchar_t* staticUrl, const wchar_t* webUrl,
                 const char* updateKey) {
    win::ComInit com(CoInitialize(nullptr));
    // Before anything is read or written in the update folder.
    if (FinishSelfUpdate(commandLine)) return 0;
    g_staticConfig.LoadStaticConfig(productName, staticUrl, webUrl, version);

    wchar_t exePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    g_savedState.InitSavedStateWith(exePath, g_staticConfig, work);

    if (!IsTestCommandLine(commandLine)) {
        UpdateProgress progress;
        bool restart = false;
        {
            std::unique_ptr<ProgressShow> shown;
            if (g_staticConfig.updateProgress)
                shown.reset(new (std::nothrow) ProgressShow(g_appModule, g_staticConfig.title,
                                                            g_staticConfig.loading, progress));
            restart =
                RunUpdate(g_savedState.exeDir, g_savedState.exePath, g_staticConfig.updateUrl,
                          version, !IsSelfUpdatedCommandLine(commandLine), updateKey, &progress);
        }
        // A player who closed the progress window ends the run there.
        if (restart || progress.Cancelled()) return 0;
    }

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    g_appModule.Init(instance);

    win::GdiplusSession gdiplus = win::StartGdiplus();

    int result = RunGuarded(RunMainWindow, commandLine, showCommand);

    gdiplus.Reset(); // before the module ends, as it started after it
    g_appModule.Term();
    return result;
}
