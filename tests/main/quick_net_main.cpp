// The launcher with network time-outs of one second, so that its runs against
// a silent server take seconds; everything else is the product's.
#include "build_config.h"
#include "app/launcher.h"
#include "update/http_fetch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    g_httpTimeoutMs = 1000;
    return LauncherMain(instance, commandLine, showCommand, LUMORA_BUILTIN_VERSION,
                        LUMORA_PRODUCT_NAME, LUMORA_STATIC_URL, LUMORA_WEB_URL);
}
