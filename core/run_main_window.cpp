#include "core/app_module.h"
#include "core/launcher.h"
#include "core/message_loop.h"

int RunMainWindow(const wchar_t* /*commandLine*/, int /*showCommand*/) {
    MessageLoop loop;
    g_appModule.AddMessageLoop(&loop);
    // No main window exists yet: the run ends as when it cannot be created.
    g_appModule.RemoveMessageLoop();
    return 0;
}
