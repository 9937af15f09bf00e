#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_support;

namespace {

// A configuration whose only layout is the "game" window of the examples.
void GameConfig(StaticConfig& config) {
    config.windowCount = 1;
    config.windows.reset(new WindowDesc[1]);
    CopyTextA(config.windows[0].name, "Game");
    config.windows[0].margin = 0.1;
    config.windows[0].defSize = {1300, 768};
    config.windows[0].maxSize = {1920, 1080};
}

} // namespace

TEST(SavedState, DefaultSizeFromTheWorkArea) {
    StaticConfig config;
    GameConfig(config);
    StaticConfig none;
    struct {
        const StaticConfig* config;
        RECT work;
        int width, height;
    } cases[] = {
        {&config, {0, 0, 1920, 1040}, 1536, 832},
        {&config, {0, 0, 1366, 728}, 1300, 768},
        {&config, {0, 0, 4000, 3000}, 1920, 1080},
        {&none, {0, 0, 1920, 1040}, 1300, 768},
    };
    for (const auto& c : cases) {
        SavedState s;
        s.InitSavedStateWith(L"C:\\games\\x\\..\\Lumora2.exe", *c.config, c.work);
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
        EXPECT_EQ(s.maximized, 0);
        EXPECT_STREQ(s.exePath, L"C:\\games\\Lumora2.exe");
        EXPECT_STREQ(s.exeDir, L"C:\\games");
        EXPECT_STREQ(s.configPath, L"C:\\games\\Config.json");
    }
}

TEST(SavedState, LoadTakesIntegersOnlyAndBounds) {
    StaticConfig config;
    GameConfig(config);
    struct {
        const char* file; // null: no file
        int width, height, maximized;
    } cases[] = {
        {nullptr, 1536, 832, 0},
        {"{\"window\": {\"width\":1600, \"height\":900, \"maximized\":2} }", 1600, 900, 2},
        {"{\"window\": {\"width\":5000}}", 1920, 832, 0},
        {"{\"window\": {\"width\":800}}", 1300, 832, 0},
        {"{\"window\": {\"width\":1500.5, \"height\":\"900\", \"maximized\":true}}", 1536, 832, 0},
        {"{\"window\": [1, 2]}", 1536, 832, 0},
        {"not json", 1536, 832, 0},
        {"\xEF\xBB\xBF{\"window\": {\"width\":1600, \"height\":900, \"maximized\":2} }", 1536, 832,
         0},
        // Integers that do not fit 32 bits are missing, not wrapped.
        {"{\"window\": {\"width\":4294968596, \"height\":4294967295, \"maximized\":4294967298}}",
         1536, 832, 0},
        {"{\"window\": {\"width\":2147483648, \"height\":-2147483649, \"maximized\":2147483647}}",
         1536, 832, 2147483647},
        {"{\"window\": {\"width\":-2147483648, \"maximized\":-2147483648}}", 1300, 832,
         -2147483647 - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(none)");
        TempDir dir;
        SavedState s;
        RECT work = {0, 0, 1920, 1040};
        s.InitSavedStateWith((dir / L"Lumora2.exe").c_str(), config, work);
        if (c.file) {
            ASSERT_TRUE(WriteFileBytes(dir / L"Config.json", c.file));
        }
        s.LoadSavedState();
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
        EXPECT_EQ(s.maximized, c.maximized);
    }
}

TEST(SavedState, SaveWritesTheExactLineAndLoadsBack) {
    StaticConfig config;
    GameConfig(config);
    TempDir dir;
    SavedState s;
    RECT work = {0, 0, 1920, 1040};
    s.InitSavedStateWith((dir / L"Lumora2.exe").c_str(), config, work);
    s.width = 1400;
    s.height = -5;
    s.maximized = 2;
    s.SaveSavedState();
    std::string text;
    ASSERT_TRUE(ReadFileBytes(dir / L"Config.json", text));
    EXPECT_EQ(text, "{\"window\": {\"width\":1400, \"height\":-5, \"maximized\":2} }");
    SavedState next;
    next.InitSavedStateWith((dir / L"Lumora2.exe").c_str(), config, work);
    next.LoadSavedState();
    EXPECT_EQ(next.width, 1400);
    EXPECT_EQ(next.height, 768);
    EXPECT_EQ(next.maximized, 2);
}
