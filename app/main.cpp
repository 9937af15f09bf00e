// The program's entry point: hands the built-in values to the launcher.
#include "build_config.h"
#include "app/launcher.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    return LauncherMain(instance, commandLine, showCommand, LUMORA_BUILTIN_VERSION,
                        LUMORA_PRODUCT_NAME, LUMORA_STATIC_URL, LUMORA_WEB_URL, LUMORA_UPDATE_KEY);
}
