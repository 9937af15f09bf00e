#include "core/launcher.h"

#include <gtest/gtest.h>

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    EXPECT_TRUE(IsTestCommandLine(L"test"));
    EXPECT_TRUE(IsTestCommandLine(L"TeSt"));
    EXPECT_FALSE(IsTestCommandLine(L"test "));
    EXPECT_FALSE(IsTestCommandLine(L"test force"));
    EXPECT_FALSE(IsTestCommandLine(L"force"));
    EXPECT_FALSE(IsTestCommandLine(L""));
}
