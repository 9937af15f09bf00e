#include "core/static_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace testing_support;

namespace {

const wchar_t* FixedCode() {
    return L"WD123";
}
const wchar_t* NoCode() {
    return nullptr;
}

// Loads a configuration from a fresh launcher directory holding the given
// "static.json" (absent when null) and "channel" (absent when null).
std::unique_ptr<StaticConfig> Load(const TempDir& dir, const char* json, const char* channel,
                                   MachineCodeSource code = FixedCode) {
    if (json) WriteFileBytes(dir / L"static.json", json);
    if (channel) WriteFileBytes(dir / L"channel", channel);
    auto cfg = std::make_unique<StaticConfig>();
    cfg->LoadStaticConfigFrom(dir.Path().c_str(), L"Lumora2", L"http://h.example/game_statics/lm/",
                              L"http://h.example/lmwd", 2, code);
    return cfg;
}

} // namespace

TEST(StaticConfig, BadFilesKeepTheDefaults) {
    struct Case {
        const char* json; // null: no file
        const wchar_t* updateUrl;
        const wchar_t* gameUrl;
        const wchar_t* startUrl;
    };
    const Case cases[] = {
        {nullptr, L"http://h.example/game_statics/lm/", L"http://h.example/lmwd", L""},
        {"", L"http://h.example/game_statics/lm/", L"http://h.example/lmwd",
         L"http://h.example/lmwd?install=1"},
        {"{not json", L"http://h.example/game_statics/lm/", L"http://h.example/lmwd",
         L"http://h.example/lmwd?install=1"},
        {"\xEF\xBB\xBF{\"update_url\":\"http://u.example/\",\"windows\":{\"a\":{}}}",
         L"http://h.example/game_statics/lm/", L"http://h.example/lmwd",
         L"http://h.example/lmwd?install=1"},
        {"[1,2]", L"", L"", L"?install=1"},
        {"{\"update_url\":5,\"game_url\":true,\"windows\":[]}", L"", L"", L"?install=1"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto cfg = Load(dir, c.json, nullptr);
        SCOPED_TRACE(c.json ? c.json : "(no file)");
        EXPECT_STREQ(c.updateUrl, cfg->updateUrl);
        EXPECT_STREQ(c.gameUrl, cfg->gameUrl);
        EXPECT_STREQ(c.startUrl, cfg->startUrl);
        EXPECT_STREQ(L"Lumora2", cfg->title);
        EXPECT_EQ(0, cfg->windowCount);
        EXPECT_EQ(-1, cfg->firstWindow);
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
    EXPECT_STREQ("Start", cfg->windows[2].name);
    EXPECT_EQ(1300, cfg->windows[2].defSize.cx); // not an object: fresh defaults

    const WindowDesc& s = cfg->windows[0];
    EXPECT_DOUBLE_EQ(0.1, s.margin);
    EXPECT_EQ(1920, s.maxSize.cx);
    EXPECT_EQ(1080, s.maxSize.cy);
    for (int b : s.border)
        EXPECT_EQ(0, b);
    EXPECT_STREQ("game", s.next);
    EXPECT_TRUE(s.use9Matrix);
    EXPECT_FALSE(s.resizable);
    EXPECT_EQ(dir.Path() + L"\\skin\\bg.png", s.background);
    EXPECT_EQ(dir.Path(), s.elements); // missing: the directory joined with nothing
    // Only topleft given: the other pieces are zero, then the edges shrink.
    EXPECT_EQ(10, s.matrix[kTopLeft].right);
    EXPECT_EQ(1, s.matrix[kTop].left);
    EXPECT_EQ(-1, s.matrix[kTop].right);
    EXPECT_EQ(1, s.matrix[kLeft].top);
    EXPECT_EQ(-1, s.matrix[kRight].bottom);
    EXPECT_EQ(0, s.matrix[kTopRight].right);

    ASSERT_EQ(4, s.buttonCount);
    EXPECT_EQ(kFuncClose, s.buttons[0].func);
    EXPECT_EQ(-40, s.buttons[0].coord.x);
    EXPECT_EQ(1, s.buttons[0].alter.x); // alter defaults to normal
    EXPECT_EQ(2, s.buttons[0].alter.y);
    EXPECT_EQ(kFuncMinimize, s.buttons[1].func);
    EXPECT_EQ(7, s.buttons[1].alter.x);
    EXPECT_EQ(3, s.buttons[1].alter_hove.x);
    EXPECT_EQ(kFuncNone, s.buttons[2].func);
    EXPECT_EQ(kFuncNone, s.buttons[3].func); // not an object

    const WindowDesc& g = cfg->windows[1];
    EXPECT_DOUBLE_EQ(0.05, g.margin);
    EXPECT_EQ(1000, g.defSize.cx);
    EXPECT_EQ(1600, g.maxSize.cx);
    EXPECT_EQ(4, g.border[0]);
    EXPECT_EQ(7, g.border[3]);
    EXPECT_TRUE(g.startMax);
    EXPECT_TRUE(g.resizable);
    EXPECT_EQ(11, g.matrix[kTop].left);
    EXPECT_EQ(19, g.matrix[kTop].right);
    EXPECT_EQ(11, g.matrix[kLeft].top);
    EXPECT_EQ(29, g.matrix[kLeft].bottom);
}

TEST(StaticConfig, OversizedValuesAreRefusedNotCut) {
    std::string longUrl = "http://g.example/" + std::string(300, 'a');
    std::string longName = "\"" + std::string(40, 'w') + "\"";
    // A refused name stays empty yet matches nothing: neither a window named
    // "" nor a missing "first_window".
    struct {
        std::string first; // "first_window" member, or empty for none
        std::string windows;
    } rows[] = {
        {"\"first_window\":" + longName + ",",
         "\"\": {\"next\": " + longName + "}, " + longName + ": {\"next\": " + longName + "}"},
        {"", longName + ": {\"next\": " + longName + "}, \"\": {\"next\": " + longName + "}"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.first + r.windows);
        TempDir dir;
        auto cfg = Load(
            dir,
            ("{\"game_url\":\"" + longUrl + "\"," + r.first + "\"windows\":{" + r.windows + "}}")
                .c_str(),
            nullptr);
        EXPECT_STREQ(L"", cfg->gameUrl);
        ASSERT_EQ(2, cfg->windowCount);
        EXPECT_EQ(r.first.empty() ? 1 : -1, cfg->firstWindow);
        for (int i = 0; i < 2; ++i) {
            const WindowDesc& w = cfg->windows[i];
            EXPECT_STREQ("", w.name);
            EXPECT_STREQ("", w.next);
            for (int j = 0; j < 2; ++j)
                EXPECT_FALSE(IsWindowNamed(cfg->windows[j], w.next, w.nextRefused)) << i << j;
        }
        EXPECT_EQ(r.first.empty() ? 1 : 0, cfg->FindWindowByName(""));
    }
}

TEST(StaticConfig, ChannelQueryAndFirstRun) {
    struct Case {
        const char* channel; // null: no file
        MachineCodeSource code;
        const wchar_t* gameUrl;
        const wchar_t* title;
    };
    const Case cases[] = {
        {"abc|Title", FixedCode, L"http://g.example/p?version=2&machine_code=WD123&fn=abc",
         L"Title"},
        {"abc", NoCode, L"http://g.example/p?version=2&fn=abc", L"Lumora2"},
        {"abc\r\n", FixedCode, L"http://g.example/p?version=2&machine_code=WD123&fn=abc%0D%0A",
         L"Lumora2"},
        {"|Only Name", FixedCode, L"http://g.example/p?version=2&machine_code=WD123&fn=",
         L"Only Name"},
        {"a b/c", FixedCode, L"http://g.example/p?version=2&machine_code=WD123&fn=a%20b%2Fc",
         L"Lumora2"},
        {nullptr, FixedCode, L"http://g.example/p", L"Lumora2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel ? c.channel : "(no channel)");
        TempDir dir;
        auto cfg = Load(dir, R"({"game_url":"http://g.example/p"})", c.channel, c.code);
        EXPECT_STREQ(c.gameUrl, cfg->gameUrl);
        EXPECT_STREQ(c.title, cfg->title);
        // First run: the marker is written and the start page is told so.
        std::wstring first = std::wstring(c.gameUrl) + (c.channel ? L"&install=1" : L"?install=1");
        EXPECT_EQ(first, cfg->startUrl);
        std::string marker;
        ASSERT_TRUE(ReadFileBytes(dir / L"first", marker));
        EXPECT_EQ("1", marker);
        // Later calls and later runs find the marker.
        cfg->ApplyFirstRunFlag();
        EXPECT_STREQ(c.gameUrl, cfg->startUrl);
        auto second = Load(dir, nullptr, nullptr, c.code);
        EXPECT_STREQ(c.gameUrl, second->startUrl);
    }
}
