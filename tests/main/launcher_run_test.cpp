#include "app/launcher.h"
#include "support/launcher_dir.h"
#include "support/page_listener.h"
#include "support/test_support.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    for (const wchar_t* word : {L"test", L"TeSt"})
        EXPECT_TRUE(IsTestCommandLine(word));
    for (const wchar_t* word : {L"test ", L"test force", L"force", L""})
        EXPECT_FALSE(IsTestCommandLine(word));
}

// The real launcher with a broken "static.json": with "test" it skips the
// update and ends cleanly, and the first-run step still ran.
TEST(Launcher, BrokenConfigurationStillEndsCleanly) {
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", "{\"windows\": [broken"));
    EXPECT_EQ(0, RunProgram(exe, L"test", dir.Path(), 60000));
    EXPECT_TRUE(FileExists(dir / L"first"));
}

// The real launcher with the sample skin and "test": no update (a stale
// "update" folder stays, the update server hears nothing), a window comes up,
// and closing it ends the run with exit code 0. The browser control asks the
// page server for the start page with the launcher's query, "&install=1" on
// the first run only.
TEST(LauncherRun, ShowsTheStartPageWithItsQueryAndEndsWithExitCodeZero) {
    PageListener updateServer, pageServer;
    ASSERT_NE(0, updateServer.Port());
    ASSERT_NE(0, pageServer.Port());
    TempDir dir;
    std::wstring exe = MakeLauncherDir(
        dir.Path(), BinaryPath("Lumora2.exe"),
        {{"update_url", "http://127.0.0.1:" + std::to_string(updateServer.Port()) + "/"},
         {"game_url", "http://127.0.0.1:" + std::to_string(pageServer.Port()) + "/lmwd"}});
    ASSERT_TRUE(CreateDirectoryW((dir / L"update").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / L"update\\stale.txt", "stale"));
    ASSERT_TRUE(WriteFileBytes(dir / L"channel", "ch7|Demo"));
    for (const char* install : {"&install=1", ""}) {
        std::string request;
        LauncherRun run =
            RunLauncher(exe, L"test", [&] { request = pageServer.WaitForRequest(30000); });
        EXPECT_NE(0u, run.windowPid) << "no window of the launcher became visible";
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(0u, request.find("GET /lmwd?version=2&machine_code=WINEHDISK&fn=ch7" +
                                   std::string(install) + " "))
            << request;
    }
    EXPECT_TRUE(FileExists(dir / L"update\\stale.txt"));
    EXPECT_EQ("", updateServer.WaitForRequest(100));
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
        std::wstring update = dir / L"update", fresh = update + L"\\Lumora2.exe";
        ASSERT_TRUE(CreateDirectoryW(update.c_str(), nullptr));
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
        EXPECT_TRUE(FileText(dir / L"Lumora2.exe") == (held ? old : built));
        EXPECT_FALSE(FileExists(dir / L"Lumora2.exe.new"));
        EXPECT_TRUE(FileExists(dir / L"first"));
        EXPECT_EQ(held, FileExists(update));
        EXPECT_FALSE(FileExists(update + L"\\first"));
    }
}
