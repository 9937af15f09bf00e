#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

// The size starts from the work area less the game layout's margins (its
// defaults: 0.1, 1300 x 768 to 1920 x 1080), within its default and largest
// sizes (the same without a game layout); then "Config.json" may change it
// with integers of 32 bits, bounded the same way (rows: its "window" member).
TEST(SavedState, SizeFromTheWorkAreaAndTheFile) {
    StaticConfig config, none;
    config.windowCount = 1;
    config.windows.reset(new WindowDesc[1]);
    CopyTextA(config.windows[0].name, "Game");
    struct {
        const char* file; // null: no file
        int width, height, maximized;
        int workWidth = 1920, workHeight = 1040;
        bool noGame = false;
    } cases[] = {
        {nullptr, 1536, 832, 0},
        {nullptr, 1300, 768, 0, 1366, 728},
        {nullptr, 1920, 1080, 0, 4000, 3000},
        {nullptr, 1300, 768, 0, 1920, 1040, true},
        {"{\"width\":1600, \"height\":900, \"maximized\":2}", 1600, 900, 2},
        {"{\"width\":5000}", 1920, 832, 0},
        {"{\"width\":800}", 1300, 832, 0},
        {"{\"width\":1500.5, \"height\":\"900\", \"maximized\":true}", 1536, 832, 0},
        {"[1, 2]", 1536, 832, 0},
        {"not json", 1536, 832, 0},
        // Integers that do not fit 32 bits are missing, not wrapped.
        {"{\"width\":2147483648, \"height\":-2147483649, \"maximized\":2147483647}", 1536, 832,
         2147483647},
        {"{\"width\":-2147483648, \"maximized\":-2147483648}", 1300, 832, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(none)");
        TempDir dir;
        SavedState s;
        const RECT work = {0, 0, c.workWidth, c.workHeight};
        s.InitSavedStateWith((dir / L"x\\..\\Lumora2.exe").c_str(), c.noGame ? none : config, work);
        EXPECT_EQ(s.exePath, dir / L"Lumora2.exe");
        EXPECT_EQ(s.exeDir, dir.Path());
        EXPECT_EQ(s.configPath, dir / L"Config.json");
        ASSERT_TRUE(!c.file || WriteFileBytes(dir / L"Config.json",
                                              "{\"window\": " + std::string(c.file) + "}"));
        s.LoadSavedState();
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
        EXPECT_EQ(s.maximized, c.maximized);
    }
}
