#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"

#include <gtest/gtest.h>

using namespace testing_support;

// A server that fails the update in any of these ways costs the player a
// fetch, not the game: the launcher goes on to its windows, and the file the
// manifest wanted to replace is kept as it was.
TEST(LauncherNetwork, ServerFaultsEndInTheWindowsWithNothingLost) {
    struct {
        const char *manifestMode, *packageMode; // "" for none
    } rows[] = {
        {"silent", ""}, {"self", ""}, {"", "silent"}, {"", "stall"}, {"", "ping"}, {"", "huge"},
    };
    int n = 0;
    for (const auto& r : rows) {
        std::string base = "lnet" + std::to_string(n++) + "/";
        SCOPED_TRACE(base + r.manifestMode + r.packageMode);
        Publish(base + "update.json",
                "{\"version\": 9, \"files\": {\"a.txt\": \"" + Md5Of("new") + "\"}}");
        PublishPackage("plain", base + "9/a.7z");
        if (*r.manifestMode) Publish(base + "update.json.mode", r.manifestMode);
        if (*r.packageMode) Publish(base + "9/a.7z.mode", r.packageMode);
        TempDir dir;
        std::wstring exe =
            MakeLauncherDir(dir.Path(), BinaryPath("tests/main/launcher_quick_net.exe"),
                            {{"update_url", Narrow(ServerUrl(base))},
                             {"update_progress", "off: the first window is the launcher's"}});
        ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "keep"));
        LauncherRun run = RunLauncher(exe, L"");
        EXPECT_NE(0u, run.windowPid) << "no window of the launcher became visible";
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ("keep", FileText(dir / L"a.txt"));
        EXPECT_FALSE(RequestsFor("/" + base + "update.json").empty());
    }
}
