#include "update_test_util.h"

#include "core/file_util.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "update/package.h"
#include "update/update.h"

void update_test::UseLauncherDir(const std::wstring& dir, const std::wstring& base) {
    RECT work = {0, 0, 1920, 1040};
    g_savedState.InitSavedStateWith((dir + L"\\Lumora2.exe").c_str(), g_staticConfig, work);
    CopyText(g_staticConfig.updateUrl, base.c_str());
}

bool RunUpdate(int builtInVersion) {
    return RunUpdate(g_savedState.exeDir, g_savedState.exePath, g_staticConfig.updateUrl,
                     builtInVersion);
}

int ExtractPackage(const void* data, size_t length, bool isLauncher, wchar_t* newLauncherPath) {
    wchar_t root[MAX_PATH] = {};
    if (!JoinPath(root, MAX_PATH, g_savedState.exeDir, isLauncher ? L"update" : L"")) return 0;
    return ExtractPackage(root, data, length, isLauncher ? newLauncherPath : nullptr);
}
