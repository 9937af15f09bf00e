#include "core/static_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace testing_support;

namespace {

const MachineCodeSource FixedCode = [] { return L"WD123"; };
const MachineCodeSource NoCode = [] { return (const wchar_t*)nullptr; };

// Loads a configuration from a fresh launcher directory holding the given
// "static.json" (absent when null) and "channel" (absent when null).
std::unique_ptr<StaticConfig> Load(const TempDir& dir, const char* json, const char* channel,
                                   MachineCodeSource code = FixedCode) {
    if (json) WriteFileBytes(dir / L"static.json", json);
    if (channel) WriteFileBytes(dir / L"channel", channel);
    auto cfg = std::make_unique<StaticConfig>();
    cfg->LoadStaticConfigFrom(dir.Path().c_str(), L"Lumora2", L"http://u0/", L"http://g0/", 2,
                              code);
    return cfg;
}

// The values of a window that the reader sets, in one line.
std::string Describe(const WindowDesc& w) {
    char t[1024];
    int n = snprintf(t, sizeof t, "%s>%s m%.2f d%dx%d x%dx%d b%d,%d,%d,%d%s%s%s", w.name, w.next,
                     w.margin, w.defSize.cx, w.defSize.cy, w.maxSize.cx, w.maxSize.cy, w.border[0],
                     w.border[1], w.border[2], w.border[3], w.use9Matrix ? " 9" : "",
                     w.resizable ? " r" : "", w.startMax ? " s" : "");
    for (const NineGridRect& r : w.matrix)
        n += snprintf(t + n, sizeof t - n, " %d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
    for (const ButtonDesc* b = w.buttons.get(); b < w.buttons.get() + w.buttonCount; ++b)
        n += snprintf(t + n, sizeof t - n, " [f%d %d,%d a%d,%d ah%d,%d]", b->func, b->coord.x,
                      b->coord.y, b->alter.x, b->alter.y, b->alter_hove.x, b->alter_hove.y);
    return t;
}

} // namespace

// Bad files keep the built-in URLs but for the last two rows, which parse and
// so empty them; without a file there is no first-run step. A channel file
// adds its query to the game URL and may name the title.
TEST(StaticConfig, FilesChannelAndFirstRun) {
    const char* const page = R"({"game_url":"http://g/p"})";
    const struct {
        const char *json, *channel; // null: no file
        const char* expect; // update URL|game URL|start URL after the game URL (! if not)|title
        MachineCodeSource code = FixedCode;
    } rows[] = {
        {nullptr, nullptr, "http://u0/|http://g0/|!|Lumora2"},
        {"", nullptr, "http://u0/|http://g0/|?install=1|Lumora2"},
        {"{not json", nullptr, "http://u0/|http://g0/|?install=1|Lumora2"},
        {"\xEF\xBB\xBF{\"update_url\":\"http://u/\",\"windows\":{\"a\":{}}}", nullptr,
         "http://u0/|http://g0/|?install=1|Lumora2"},
        {"[1,2]", nullptr, "||?install=1|Lumora2"},
        {"{\"update_url\":5,\"game_url\":true,\"windows\":[]}", nullptr, "||?install=1|Lumora2"},
        {page, "abc|Title", "|http://g/p?version=2&machine_code=WD123&fn=abc|&install=1|Title"},
        {page, "abc", "|http://g/p?version=2&fn=abc|&install=1|Lumora2", NoCode},
        {page, "abc\r\n",
         "|http://g/p?version=2&machine_code=WD123&fn=abc%0D%0A|&install=1|Lumora2"},
        {page, "|Only Name", "|http://g/p?version=2&machine_code=WD123&fn=|&install=1|Only Name"},
        {page, "a b/c", "|http://g/p?version=2&machine_code=WD123&fn=a%20b%2Fc|&install=1|Lumora2"},
        {page, nullptr, "|http://g/p|?install=1|Lumora2"},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.expect);
        TempDir dir;
        auto cfg = Load(dir, c.json, c.channel, c.code);
        const std::wstring game = cfg->gameUrl, start = cfg->startUrl;
        const std::wstring rest = start.rfind(game, 0) ? L"!" + start : start.substr(game.size());
        EXPECT_EQ(c.expect,
                  Narrow(cfg->updateUrl + (L"|" + game) + L"|" + rest + L"|" + cfg->title));
        EXPECT_EQ(0, cfg->windowCount);
        EXPECT_EQ(-1, cfg->firstWindow);
        if (!c.json) continue;
        // First run: the marker is written; later calls and later runs find it.
        std::string marker;
        EXPECT_TRUE(ReadFileBytes(dir / L"first", marker) && marker == "1");
        cfg->ApplyFirstRunFlag();
        EXPECT_EQ(game, cfg->startUrl);
        EXPECT_EQ(game, Load(dir, nullptr, nullptr, c.code)->startUrl);
    }
}

TEST(StaticConfig, WindowValues) {
    TempDir dir;
    auto cfg = Load(dir, R"({
      "update_url": "http://u.example/up/", "game_url": "http://g.example/page",
      "loading": "skin\\loading.png", "first_window": "START",
      "windows": {
        "start": {"margin": 0.0, "maxSize": [800], "border": [1, 2, 3], "next": "game",
                  "background": "skin\\bg.png", "use9Matrix": 1, "resizable": false,
                  "matrix": {"topleft": [0, 0, 10, 12]},
                  "buttons": [
                    {"func": "CLOSE", "coord": [-40, 4], "size": [30, 20], "normal": [1, 2]},
                    {"func": "Minimize", "normal": [1, 2], "hove": [3, 4], "alter": [7, 8]},
                    {"func": "jump"}, 7]},
        "game": {"margin": 0.05, "defSize": [1000, 600, 99], "maxSize": [1600, 900],
                 "border": [4, 5, 6, 7], "startMax": true, "resizable": 1,
                 "matrix": {"top": [10, 0, 20, 8], "left": [0, 10, 8, 30]}},
        "Start": 3
      }})",
                    nullptr);
    ASSERT_EQ(3, cfg->windowCount);
    EXPECT_STREQ(L"http://u.example/up/", cfg->updateUrl);
    EXPECT_STREQ(L"http://g.example/page", cfg->gameUrl);
    EXPECT_STREQ(L"skin\\loading.png", cfg->loading);
    // Both "start" and "Start" match "START": the later one wins.
    EXPECT_EQ(2, cfg->firstWindow);
    EXPECT_EQ(dir.Path() + L"\\skin\\bg.png", cfg->windows[0].background);
    EXPECT_EQ(dir.Path(), cfg->windows[0].elements); // missing: the directory joined with nothing
    // Zero margin, short arrays and a non-object keep the defaults; the edge
    // pieces (top, left, right, bottom) lose a pixel at each stretched end;
    // alter faces default to the plain ones.
    const char* expected[] = {
        "start>game m0.10 d1300x768 x1920x1080 b0,0,0,0 9 0,0,10,12 1,0,-1,0 0,0,0,0 0,1,0,-1 "
        "0,1,0,-1 0,0,0,0 1,0,-1,0 0,0,0,0 [f0 -40,4 a1,2 ah0,0] [f1 0,0 a7,8 ah3,4] "
        "[f-1 0,0 a0,0 ah0,0] [f-1 0,0 a0,0 ah0,0]",
        "game> m0.05 d1000x600 x1600x900 b4,5,6,7 r s 0,0,0,0 11,0,19,8 0,0,0,0 0,11,8,29 "
        "0,1,0,-1 0,0,0,0 1,0,-1,0 0,0,0,0",
        "Start> m0.10 d1300x768 x1920x1080 b0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 0,0,0,0 "
        "0,0,0,0 0,0,0,0 0,0,0,0"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(expected[i], Describe(cfg->windows[i]));
}

TEST(StaticConfig, OversizedValuesAreRefusedNotCut) {
    // A refused name stays empty yet matches nothing: neither a window named
    // "" nor a missing "first_window". The unnamed window comes first, then last.
    const std::string name = "\"" + std::string(40, 'w') + "\"",
                      next = ": {\"next\": " + name + "}";
    for (bool first : {true, false}) {
        SCOPED_TRACE(first);
        TempDir dir;
        const std::string json =
            "{\"game_url\":\"http://g.example/" + std::string(300, 'a') + "\"," +
            (first ? "\"first_window\":" + name + ",\"windows\":{\"\"" + next + "," + name + next
                   : "\"windows\":{" + name + next + ",\"\"" + next) +
            "}}";
        auto cfg = Load(dir, json.c_str(), nullptr);
        EXPECT_STREQ(L"", cfg->gameUrl);
        ASSERT_EQ(2, cfg->windowCount);
        EXPECT_EQ(first ? -1 : 1, cfg->firstWindow);
        for (int i = 0; i < 2; ++i) {
            const WindowDesc& w = cfg->windows[i];
            EXPECT_STREQ("", w.name);
            EXPECT_STREQ("", w.next);
            for (int j = 0; j < 2; ++j)
                EXPECT_FALSE(IsWindowNamed(cfg->windows[j], w.next, w.nextRefused)) << i << j;
        }
        EXPECT_EQ(first ? 0 : 1, cfg->FindWindowByName(""));
    }
}
