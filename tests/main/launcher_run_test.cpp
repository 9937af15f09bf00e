#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct FindCtx {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<FindCtx*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ctx->pid && IsWindowVisible(hwnd)) {
        ctx->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

// The real launcher with the sample skin and "test": its loading picture comes
// up, and closing the window (the keyboard's Alt+F4 on the loading picture)
// ends the run with exit code 0.
TEST(LauncherRun, ShowsItsWindowsAndEndsWithExitCodeZero) {
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    std::string json;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/static.json"), json));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", json));
    CopyTree(SourcePath("demo/skin"), dir / L"skin");

    std::wstring cmd = L"\"" + exe + L"\" test";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.Path().c_str(), &si, &pi));
    FindCtx ctx = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 200 && !ctx.found; ++i) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&ctx));
    }
    EXPECT_NE(nullptr, ctx.found) << "no window of the launcher became visible";
    if (ctx.found) PostMessageW(ctx.found, WM_CLOSE, 0, 0);
    DWORD wait = WaitForSingleObject(pi.hProcess, 30000);
    if (wait != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
