#include "app/launcher.h"

#include <gtest/gtest.h>

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    EXPECT_TRUE(IsTestCommandLine(L"test"));
    EXPECT_TRUE(IsTestCommandLine(L"TeSt"));
    EXPECT_FALSE(IsTestCommandLine(L"test "));
    EXPECT_FALSE(IsTestCommandLine(L"test force"));
    EXPECT_FALSE(IsTestCommandLine(L"force"));
    EXPECT_FALSE(IsTestCommandLine(L""));
}

#include "support/test_support.h"

using namespace testing_support;

// The real launcher, copied into a launcher directory of its own with a
// broken "static.json": with "test" it skips the update and ends cleanly.
TEST(Launcher, BrokenConfigurationStillEndsCleanly) {
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", "{\"windows\": [broken"));
    EXPECT_EQ(0, RunProgram(exe, L"test", dir.Path(), 60000));
    // The first-run step still ran: the marker exists.
    EXPECT_TRUE(FileExists(dir / L"first"));
}
