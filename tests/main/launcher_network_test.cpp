#include "support/test_support.h"
#include "update_test_util.h"

#include <gtest/gtest.h>

using namespace testing_support;
using update_test::Publish;

namespace {

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
    auto* pid = reinterpret_cast<DWORD*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != *pid || !IsWindowVisible(hwnd)) return TRUE;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    *pid = 0;
    return FALSE;
}

} // namespace

// A server that fails the update in any of these ways costs the player a
// fetch, not the game: the launcher goes on to its windows, and the file the
// manifest wanted to replace is kept as it was.
TEST(LauncherNetwork, ServerFaultsEndInTheWindowsWithNothingLost) {
    struct {
        const char* manifestMode; // "" for none
        const char* packageMode;
    } rows[] = {
        {"silent", ""}, {"self", ""}, {"", "silent"}, {"", "stall"}, {"", "ping"}, {"", "huge"},
    };
    int n = 0;
    for (const auto& r : rows) {
        std::string base = "lnet" + std::to_string(n++) + "/";
        SCOPED_TRACE(base + r.manifestMode + r.packageMode);
        Publish(base + "update.json",
                "{\"version\": 9, \"files\": {\"a.txt\": \"" + update_test::Md5Of("new") + "\"}}");
        update_test::PublishPackage("plain", base + "9/a.7z");
        if (*r.manifestMode) Publish(base + "update.json.mode", r.manifestMode);
        if (*r.packageMode) Publish(base + "9/a.7z.mode", r.packageMode);

        TempDir dir;
        std::wstring exe = dir / L"Lumora2.exe";
        ASSERT_TRUE(
            CopyFileW(BinaryPath("tests/main/launcher_quick_net.exe").c_str(), exe.c_str(), FALSE));
        CopyTree(SourcePath("demo/skin"), dir / L"skin");
        std::string json;
        ASSERT_TRUE(ReadFileBytes(SourcePath("demo/static.json"), json));
        json.insert(json.find("\"update_url\""),
                    "\"update_url\": \"" + Narrow(update_test::ServerUrl(base)) + "\", ");
        ASSERT_TRUE(WriteFileBytes(dir / L"static.json", json));
        ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "keep"));

        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   dir.Path().c_str(), &si, &pi));
        DWORD pid = pi.dwProcessId;
        for (int i = 0; i < 1200 && pid; ++i) {
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
            EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&pid));
        }
        EXPECT_EQ(0u, pid) << "no window of the launcher became visible";
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 99);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(0u, code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::string kept;
        EXPECT_TRUE(ReadFileBytes(dir / L"a.txt", kept));
        EXPECT_EQ("keep", kept);
        EXPECT_FALSE(update_test::RequestsFor("/" + base + "update.json").empty());
    }
}
