// Transitional, for the publishing tests: the old names of the update
// server's helpers, and the old forms of the update and the extraction that
// use the directory set with UseLauncherDir. Goes once they use
// support/update_server.h and the explicit forms.
#pragma once

#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"

namespace update_test {
using namespace testing_support;
// Points the run's records at dir\Lumora2.exe and the update base URL at base.
void UseLauncherDir(const std::wstring& dir, const std::wstring& base);
} // namespace update_test

bool RunUpdate(int builtInVersion);
