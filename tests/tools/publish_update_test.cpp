// The launcher's own update run consuming what the publishing command wrote,
// served by the update tests' HTTP server.
#include "support/test_support.h"
#include "update/update.h"
#include "update/update_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

std::wstring Quote(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

int RunPublish(const std::wstring& args, std::string* output) {
    SetEnvironmentVariableW(L"LUMORA_7Z", BinaryPath(SEVEN_ZIP_SHIM).c_str());
    return RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, output);
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

} // namespace

TEST(PublishServed, LauncherUpdatesFromThePublishedOutput) {
    TempDir release, launcher;
    CreateDirectoryW((release / L"bin").c_str(), nullptr);
    CreateDirectoryW((release / L"data").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(release / L"readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(release / L"bin\\game.dll", "game code"));
    ASSERT_TRUE(WriteFileBytes(release / L"data\\a.b.c", "data"));

    const std::string name = "published-" + std::to_string(GetCurrentProcessId());
    const std::wstring out = update_test::RigPath("www/" + name);
    std::string output;
    ASSERT_EQ(RunPublish(Quote(release.Path()) + L" 3 " + Quote(out), &output), 0) << output;

    update_test::UseLauncherDir(launcher.Path(), update_test::ServerUrl(name + "/"));
    EXPECT_FALSE(RunUpdate(2)); // no launcher among the files: nothing to restart
    EXPECT_EQ(Read(launcher / L"readme"), "read me");
    EXPECT_EQ(Read(launcher / L"bin\\game.dll"), "game code");
    EXPECT_EQ(Read(launcher / L"data\\a.b.c"), "data");

    // The next version, published over the same output, brings only the change.
    ASSERT_TRUE(WriteFileBytes(release / L"bin\\game.dll", "new game code"));
    ASSERT_EQ(RunPublish(Quote(release.Path()) + L" 4 " + Quote(out) + L" " + Quote(out), &output),
              0)
        << output;
    const size_t before = update_test::RequestsFor("/" + name + "/4/").size();
    EXPECT_FALSE(RunUpdate(3));
    EXPECT_EQ(Read(launcher / L"bin\\game.dll"), "new game code");
    EXPECT_EQ(Read(launcher / L"readme"), "read me");
    std::vector<update_test::Request> fetched = update_test::RequestsFor("/" + name + "/4/");
    ASSERT_GT(fetched.size(), before);
    for (size_t i = before; i < fetched.size(); ++i)
        EXPECT_NE(fetched[i].target.find("bin/game.7z"), std::string::npos) << fetched[i].target;
    RemoveTree(out);
}
