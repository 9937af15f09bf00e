#include "core/launcher.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    for (const wchar_t* yes : {L"test", L"TeSt"})
        EXPECT_TRUE(IsTestCommandLine(yes));
    for (const wchar_t* no : {L"test ", L"test force", L"force", L""})
        EXPECT_FALSE(IsTestCommandLine(no));
}

// The real launcher, copied into a launcher directory of its own with a
// broken "static.json": with "test" it skips the update and ends cleanly.
TEST(Launcher, BrokenConfigurationStillEndsCleanly) {
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", "{\"windows\": [broken"));
    EXPECT_EQ(0, RunProgram(exe, L"test", dir.Path(), 60000));
    EXPECT_TRUE(FileExists(dir / L"first")); // the first-run step still ran
}
