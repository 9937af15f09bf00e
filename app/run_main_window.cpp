#include "core/app_module.h"
#include "app/launcher.h"
#include "core/message_loop.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "ui/main_window.h"

#include <memory>
#include <new>

int RunMainWindow(const wchar_t* /*commandLine*/, int /*showCommand*/) {
    MessageLoop loop;
    g_appModule.AddMessageLoop(&loop);
    // The one place below the entry point that reads the run's records.
    std::unique_ptr<MainWindow> window(new (std::nothrow)
                                           MainWindow(g_staticConfig, g_savedState, g_appModule));
    // Without a first window nothing could ever be shown or closed: end the
    // run instead of keeping an invisible message loop alive.
    if (!window || !window->Create() || !g_staticConfig.IsValidWindow(g_staticConfig.firstWindow)) {
        window.reset();
        g_appModule.RemoveMessageLoop();
        return 0;
    }
    int result = loop.Run();
    g_appModule.RemoveMessageLoop();
    window.reset();
    return result;
}
