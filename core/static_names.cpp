#include "core/static_config.h"
#include "core/text.h"

// Apart from the rest of the reading code: the configuration check builds
// it on Linux too.
int ButtonFuncFromName(const char* name) {
    if (!name) return kFuncNone;
    for (int func = kFuncClose; func <= kFuncRefresh; ++func)
        if (EqualsIgnoringCaseA(name, static_keys::kFuncs[func])) return func;
    return kFuncNone;
}
