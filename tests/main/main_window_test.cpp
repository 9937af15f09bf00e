#include "core/app_module.h"
#include "core/messages.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "support/fake_browser.h"
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "web/start_game.h"
#include "win/com_scoped.h"
#include "win/gdiplus_scoped.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

RECT Rect(HWND h) {
    RECT r = {};
    GetWindowRect(h, &r);
    return r;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module_.Init(GetModuleHandleW(nullptr));
        module_.AddMessageLoop(&loop_);
        CopyTree(SourcePath("demo"), dir_.Path());
        config_.LoadStaticConfigFrom(dir_.Path().c_str(), L"Lumora2", L"", L"", 2, nullptr);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work_, 0);
        state_.InitSavedStateWith((dir_ / L"Lumora2.exe").c_str(), config_, work_);
    }
    void TearDown() override {
        module_.RemoveMessageLoop();
        module_.Term();
    }

    win::ComInit com_{CoInitialize(nullptr)};
    win::GdiplusSession gdiplus_ = win::StartGdiplus();
    TempDir dir_;
    StaticConfig config_;
    SavedState state_;
    AppModule module_;
    MessageLoop loop_;
    RECT work_ = {};
};

} // namespace

// One launcher window driven through its states by real messages, with a
// recording browser control: after each row, the layout, the frame, the
// browser over the frame's middle, "Config.json" and what the browser was
// asked to open. At the end the control is taken down while its own window
// still exists, in the order containers use.
TEST_F(MainWindowTest, StateMachineTable) {
    testing_support::FakeBrowserClass browser;
    const int start = config_.firstWindow, game = config_.FindWindowByName("game");
    ASSERT_TRUE(start >= 0 && game >= 0);
    WindowDesc& gameDesc = config_.windows[game];
    const SIZE gameSize = {state_.width, state_.height};
    const std::wstring configPath = dir_ / L"Config.json";

    MainWindow w(config_, state_, module_);
    HWND hwnd = w.Create();
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(browser.log,
              std::vector<std::wstring>{L"Navigate " + std::wstring(config_.startUrl)});
    config_.ApplyFirstRunFlag(); // a close goes back to the start page of a later run
    const std::wstring home = L"Navigate2 " + std::wstring(config_.startUrl);
    const RECT startFrame = Rect(w.Skin().Hwnd());
    auto startGame = [&](const wchar_t* url, bool loaded = true) {
        wchar_t* text = wcscpy(AllocStartGameUrl(kStartGameUrlMinChars), url);
        SendMessageW(hwnd, WM_START_GAME, 0, reinterpret_cast<LPARAM>(text));
        if (loaded) browser.FireDocumentComplete();
    };
    auto close = [&] {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        Pump(400); // the first layout comes back by its reveal timer
    };
    auto toggle = [&] { SendMessageW(hwnd, WM_TOGGLE_MAXIMIZE, 0, 0); };
    enum Shown { kHidden, kShown, kIconic };
    struct Row {
        const char* name;
        std::function<void()> act;
        int layout;
        bool maximized;
        Shown shown;
        int saved; // "maximized" of the game size saved by this row; 0: nothing saved
        std::vector<std::wstring> calls; // what the browser was asked
    };
    // clang-format off
    const Row rows[] = {
        // At start-up only a completed page shows the launcher, not a timer.
        {"starting", [&] { Pump(400); }, start, false, kHidden, 0, {}},
        {"first_page", [&] { browser.FireDocumentComplete(); }, start, false, kShown, 0, {}},
        {"refused_addresses", [&] {
             for (const wchar_t* url : {L"javascript:x=1", L"\\\\host\\share\\x.html",
                                        L"file:///C:/x.html", L" http://h/"})
                 startGame(url, false);
         }, start, false, kShown, 0, {}},
        {"start_game", [&] { startGame(L"http://h/1"); }, game, false, kShown, 0,
         {L"Navigate2 http://h/1"}},
        {"refresh", [&] { SendMessageW(hwnd, WM_REFRESH_PAGE, 0, 0); }, game, false, kShown,
         0, {L"Refresh"}},
        {"minimise", [&] { ShowWindow(hwnd, SW_MINIMIZE); }, game, false, kIconic, 0, {}},
        {"restore", [&] { ShowWindow(hwnd, SW_RESTORE); }, game, false, kShown, 0, {}},
        {"maximise", toggle, game, true, kShown, 0, {}},
        {"restore_from_maximised", toggle, game, false, kShown, 0, {}},
        {"close_maximised", [&] { toggle(); close(); }, start, false, kShown, 2, {home}},
        // The saved state says maximised: the game layout opens maximised.
        {"enter_saved_maximised", [&] { startGame(L"http://h/2"); }, game, true, kShown, 0,
         {L"Navigate2 http://h/2"}},
        {"close_minimised", [&] { toggle(); ShowWindow(hwnd, SW_MINIMIZE); close(); }, start, false,
         kShown, 1, {home}},
        {"enter_start_max", [&] {
             state_.maximized = 0;
             gameDesc.startMax = true;
             startGame(L"http://h/3");
         }, game, true, kShown, 0, {L"Navigate2 http://h/3"}},
        // Re-entered while maximised: maximised again, not normal-sized.
        {"next_is_current", [&] {
             lstrcpynA(gameDesc.next, "game", 32);
             startGame(L"http://h/4");
         }, game, true, kShown, 2, {L"Navigate2 http://h/4"}},
        {"next_names_no_window", [&] {
             lstrcpynA(gameDesc.next, "nowhere", 32);
             startGame(L"http://h/5", false);
         }, game, true, kShown, 0, {}},
        // A reveal pending for the first layout does not show the next one.
        {"close_and_start_at_once", [&] {
             SendMessageW(hwnd, WM_CLOSE, 0, 0);
             startGame(L"http://h/6", false);
             Pump(400);
         }, game, true, kHidden, 2, {home, L"Navigate2 http://h/6"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileW(configPath.c_str());
        browser.log.clear();
        row.act();
        EXPECT_EQ(w.CurrentWindow(), row.layout);
        EXPECT_EQ(IsIconic(hwnd) != FALSE, row.shown == kIconic);
        bool visible[] = {IsWindowVisible(hwnd) != FALSE, IsWindowVisible(w.Skin().Hwnd()) != FALSE,
                          IsWindowVisible(w.Loading().Hwnd()) == FALSE};
        for (bool v : visible)
            EXPECT_TRUE(row.shown == kIconic || v == (row.shown == kShown));
        EXPECT_EQ(w.Skin().Maximized(), row.maximized);
        RECT frame = Rect(w.Skin().Hwnd());
        // Maximised over the work area, else the layout's size.
        EXPECT_TRUE(!row.maximized || EqualRect(&frame, &work_));
        SIZE size = row.layout == game ? gameSize
                                       : SIZE{startFrame.right - startFrame.left,
                                              startFrame.bottom - startFrame.top};
        EXPECT_TRUE(row.maximized ||
                    (frame.right - frame.left == size.cx && frame.bottom - frame.top == size.cy));
        // The browser fills the main window, which is the frame's middle.
        RECT inside = ShrinkRect(frame, InsetsFromBorder(config_.windows[row.layout].border));
        RECT page = Rect(w.Browser().Window());
        EXPECT_TRUE(row.shown == kIconic || EqualRect(&inside, &page));
        char saved[80] = "<missing>";
        if (row.saved)
            snprintf(saved, sizeof saved,
                     "{\"window\": {\"width\":%ld, \"height\":%ld, \"maximized\":%d} }",
                     gameSize.cx, gameSize.cy, row.saved);
        EXPECT_EQ(FileText(configPath), saved);
        EXPECT_EQ(browser.log, row.calls);
    }

    // Back to the first layout, then a second close ends the run.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    browser.log.clear();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(browser.log, (std::vector<std::wstring>{L"InPlaceDeactivate", L"Unadvise", L"Close",
                                                      L"SetClientSite(null)", L"Release"}));
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(MainWindowTest, NoFirstWindowCreatesNothing) {
    config_.firstWindow = -1;
    MainWindow w(config_, state_, module_);
    w.Create();
    EXPECT_EQ(nullptr, w.Loading().Hwnd());
    EXPECT_EQ(nullptr, w.Skin().Hwnd());
}
