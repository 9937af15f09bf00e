#include "support/page_listener.h"
#include "support/test_support.h"
#include "win/scoped.h"

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

// The real launcher with the sample skin and "test": no update (a stale
// "update" folder stays, the update server hears nothing), its loading
// picture comes up, and closing the window (the keyboard's Alt+F4 on the
// loading picture) ends the run with exit code 0.
TEST(LauncherRun, ShowsItsWindowsAndEndsWithExitCodeZero) {
    PageListener updateServer;
    ASSERT_NE(0, updateServer.Port());
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    std::string json;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/static.json"), json));
    const std::string from = "http://www.lumora.example/game_statics/lm/";
    ASSERT_NE(std::string::npos, json.find(from));
    json.replace(json.find(from), from.size(),
                 "http://127.0.0.1:" + std::to_string(updateServer.Port()) + "/");
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", json));
    CopyTree(SourcePath("demo/skin"), dir / L"skin");
    ASSERT_TRUE(CreateDirectoryW((dir / L"update").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / L"update\\stale.txt", "stale"));

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
    EXPECT_TRUE(FileExists(dir / L"update\\stale.txt"));
    EXPECT_EQ("", updateServer.WaitForRequest(100));
}

namespace {

// Starts the launcher with "test" in dir, waits for the browser's request for
// the start page, then closes the launcher; returns the request head.
std::string StartPageRequest(const TempDir& dir, PageListener& listener) {
    std::wstring exe = dir / L"Lumora2.exe";
    std::wstring cmd = L"\"" + exe + L"\" test";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir.Path().c_str(), &si, &pi))
        return std::string();
    std::string request = listener.WaitForRequest(30000);
    FindCtx ctx = {pi.dwProcessId, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&ctx));
    if (ctx.found) PostMessageW(ctx.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return request;
}

} // namespace

// The browser control asks the page server for the start page with the
// launcher's query, "&install=1" on the first run only.
TEST(LauncherRun, StartPageCarriesVersionMachineCodeChannelAndFirstRun) {
    PageListener listener;
    ASSERT_NE(0, listener.Port());
    TempDir dir;
    ASSERT_TRUE(
        CopyFileW(BinaryPath("Lumora2.exe").c_str(), (dir / L"Lumora2.exe").c_str(), FALSE));
    CopyTree(SourcePath("demo/skin"), dir / L"skin");
    std::string json;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/static.json"), json));
    size_t at = json.find("\"game_url\"");
    ASSERT_NE(std::string::npos, at);
    json.insert(at, "\"game_url\": \"http://127.0.0.1:" + std::to_string(listener.Port()) +
                        "/lmwd\", ");
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", json));
    ASSERT_TRUE(WriteFileBytes(dir / L"channel", "ch7|Demo"));

    std::string first = StartPageRequest(dir, listener);
    EXPECT_EQ(0u, first.find("GET /lmwd?version=2&machine_code=WINEHDISK&fn=ch7&install=1 "))
        << first;
    std::string second = StartPageRequest(dir, listener);
    EXPECT_EQ(0u, second.find("GET /lmwd?version=2&machine_code=WINEHDISK&fn=ch7 ")) << second;
}

// A self-update's new launcher, started with "force" in the update folder,
// replaces the installed launcher and starts it; that run clears the folder.
// When something holds the installed launcher, the old one is started with
// "test" instead, so the player still gets in, and the folder stays.
TEST(LauncherRun, SelfUpdateFinishesInPlace) {
    std::string built;
    ASSERT_TRUE(ReadFileBytes(BinaryPath("Lumora2.exe"), built));
    const std::string old = built + "the launcher of the previous release";
    for (bool held : {false, true}) {
        SCOPED_TRACE(held ? "installed launcher held" : "installed launcher free");
        TempDir dir;
        std::wstring update = dir / L"update";
        ASSERT_TRUE(CreateDirectoryW(update.c_str(), nullptr));
        std::wstring fresh = update + L"\\Lumora2.exe";
        ASSERT_TRUE(WriteFileBytes(fresh, built));
        ASSERT_TRUE(WriteFileBytes(dir / L"Lumora2.exe", old));
        // No windows, and an update server that refuses at once: the started
        // launcher ends by itself.
        ASSERT_TRUE(
            WriteFileBytes(dir / L"static.json", "{\"update_url\": \"http://127.0.0.1:1/\"}"));
        win::UniqueHandle hold(held ? CreateFileW((dir / L"Lumora2.exe").c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                                  nullptr)
                                    : INVALID_HANDLE_VALUE);

        EXPECT_EQ(0, RunProgram(fresh, L"force", update, 60000));
        // The installed launcher runs: its first run marks the directory, and
        // its update, when it has one, removes the folder the new one came from.
        for (int i = 0; i < 300 && !(FileExists(dir / L"first") && FileExists(update) == held); ++i)
            Sleep(100);
        hold.Reset();
        std::string installed;
        ASSERT_TRUE(ReadFileBytes(dir / L"Lumora2.exe", installed));
        EXPECT_TRUE(installed == (held ? old : built));
        EXPECT_FALSE(FileExists(dir / L"Lumora2.exe.new"));
        EXPECT_TRUE(FileExists(dir / L"first"));
        EXPECT_EQ(held, FileExists(update));
        EXPECT_FALSE(FileExists(update + L"\\first"));
    }
}
