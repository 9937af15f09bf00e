// The real launcher, started as a player would.
#include "app/launcher.h"
#include "support/launcher_dir.h"
#include "support/page_listener.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    for (const wchar_t* word : {L"test", L"TeSt"})
        EXPECT_TRUE(IsTestCommandLine(word));
    for (const wchar_t* word : {L"test ", L"test force", L"force", L""})
        EXPECT_FALSE(IsTestCommandLine(word));
}

// With a broken "static.json" and "test" it skips the update and ends
// cleanly, and the first-run step still ran.
TEST(Launcher, BrokenConfigurationStillEndsCleanly) {
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", "{\"windows\": [broken"));
    EXPECT_EQ(0, RunProgram(exe, L"test", dir.Path(), 60000));
    EXPECT_TRUE(FileExists(dir / L"first"));
}

// With the sample skin and "test": no update (a stale "update" folder stays,
// the update server hears nothing), a window comes up, and closing it ends the
// run with exit code 0. The browser control asks the page server for the
// start page with the launcher's query, "&install=1" on the first run only.
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

// Each row runs a launcher against a release of its own on the test server;
// the windows always come up and the run ends with exit code 0.
// A server fault costs the player a fetch, not the game: the file the
// manifest wanted to replace is kept (the launcher with one-second time-outs).
// A new launcher costs one package download per start whatever the manifest
// says. When the listed digest is not the package's launcher, nothing is
// started and "update" goes. When it is, the new launcher replaces the
// installed one and starts it, which does not update itself again although
// the manifest lists the launcher a second time with another digest, and
// clears "update". When something holds the installed launcher, the old one
// is started with "test" instead, and "update" stays.
TEST(LauncherRun, AgainstAReleaseOnTheTestServer) {
    std::string built;
    ASSERT_TRUE(ReadFileBytes(BinaryPath("Lumora2.exe"), built));
    const std::string old = built + "the launcher of the previous release";
    auto manifest = [](int version, const std::string& files) {
        return "{\"version\": " + std::to_string(version) + ", \"files\": {" + files + "}}";
    };
    const std::string toA = manifest(9, "\"a.txt\": \"" + Md5Of("new") + "\"");
    const std::string self = "\"Lumora2.exe\": \"";
    const std::string unlisted = manifest(7, self + Md5Of("other") + "\"");
    const std::string listed =
        manifest(7, self + Md5Of(built) + "\", \".\\\\Lumora2.exe\": \"" + Md5Of("other") + "\"");
    // clang-format off
    struct {
        const char* name;
        std::string manifest, manifestMode, packageMode;
        bool held = false;
        const std::string* exeAfter = nullptr; // null: the launcher with one-second time-outs
        int manifestGets = 0; // two when the launcher put in place updates again
        bool restarted = false, updateStays = false;
    } rows[] = {
        {"net_silent_manifest", toA, "silent", ""}, {"net_self_manifest", toA, "self", ""},
        {"net_silent_package", toA, "", "silent"}, {"net_stall_package", toA, "", "stall"},
        {"net_ping_package", toA, "", "ping"}, {"net_huge_package", toA, "", "huge"},
        {"self_unlisted", unlisted, "", "", false, &old, 1},
        {"self_listed", listed, "", "", false, &built, 2, true},
        {"self_listed_held", listed, "", "", true, &old, 1, true, true}};
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string base = std::string(r.name) + "/";
        const size_t earlier = RequestsFor("/" + base).size(); // of an earlier run
        Publish(base + "update.json", r.manifest);
        if (!r.manifestMode.empty()) Publish(base + "update.json.mode", r.manifestMode);
        if (!r.packageMode.empty()) Publish(base + "9/a.7z.mode", r.packageMode);
        PublishPackage("plain", base + "9/a.7z");
        Publish(base + "7/Lumora2.7z", StoredArchive(built, L"Lumora2.exe"));
        TempDir dir;
        std::wstring exe = MakeLauncherDir(
            dir.Path(),
            BinaryPath(r.exeAfter ? "Lumora2.exe" : "tests/main/launcher_quick_net.exe"),
            {{"update_url", Narrow(ServerUrl(base))}, kProgressOff});
        ASSERT_TRUE(!r.exeAfter || WriteFileBytes(exe, old));
        ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "keep"));
        win::UniqueHandle hold(r.held ? CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr)
                                      : INVALID_HANDLE_VALUE);
        LauncherRun run = RunLauncher(exe, L"");
        hold.Reset();
        ASSERT_NE(run.windowPid, 0u) << "no launcher window came up";
        EXPECT_EQ(run.windowPid != run.startedPid, r.restarted);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(FileText(dir / L"a.txt"), "keep");
        EXPECT_TRUE(FileExists(dir / L"first"));
        EXPECT_EQ(FileExists(dir / L"update"), r.updateStays);
        EXPECT_FALSE(FileExists(dir / L"update\\first"));
        EXPECT_FALSE(FileExists(dir / L"Lumora2.exe.new"));
        EXPECT_FALSE(RequestsFor("/" + base + "update.json").empty());
        if (!r.exeAfter) continue;
        std::vector<Request> log = RequestsFor("/" + base);
        EXPECT_TRUE(FileText(exe) == *r.exeAfter);
        int manifestGets = 0, packageGets = 0;
        for (size_t i = earlier; i < log.size(); ++i)
            if (log[i].verb == "GET")
                ++(log[i].target.find("update.json") != std::string::npos ? manifestGets
                                                                          : packageGets);
        EXPECT_EQ(manifestGets, r.manifestGets);
        EXPECT_EQ(packageGets, 1);
    }
}
