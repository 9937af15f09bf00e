#include "core/app_module.h"
#include "core/messages.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "web/start_game.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

using namespace testing_support;

namespace {

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

bool Visible(HWND h) {
    return h && IsWindowVisible(h);
}

RECT Rect(HWND h) {
    RECT r = {};
    GetWindowRect(h, &r);
    return r;
}

wchar_t* HeapUrl(const wchar_t* text) {
    size_t n = wcslen(text) + 1;
    wchar_t* url = AllocStartGameUrl(n < kStartGameUrlMinChars ? kStartGameUrlMinChars : n);
    wcscpy(url, text);
    return url;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
        g_appModule.Init(GetModuleHandleW(nullptr));
        g_appModule.AddMessageLoop(&loop_);
        CopyTree(SourcePath("demo"), dir_.Path());
        g_staticConfig = StaticConfig();
        g_staticConfig.LoadStaticConfigFrom(dir_.Path().c_str(), L"Lumora2", L"", L"", 2, nullptr);
        RECT work = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        g_savedState = SavedState();
        g_savedState.InitSavedStateWith((dir_ / L"Lumora2.exe").c_str(), g_staticConfig, work);
    }
    void TearDown() override {
        g_appModule.RemoveMessageLoop();
        g_appModule.Term();
        Gdiplus::GdiplusShutdown(gdiplus_);
        CoUninitialize();
    }

    TempDir dir_;
    MessageLoop loop_;
    ULONG_PTR gdiplus_ = 0;
};

} // namespace

TEST_F(MainWindowTest, ChainOfLayoutsFromLoadingToGameAndBack) {
    ASSERT_GE(g_staticConfig.firstWindow, 0);
    int game =
        g_staticConfig.FindWindowByName(g_staticConfig.windows[g_staticConfig.firstWindow].next);
    ASSERT_GE(game, 0);

    MainWindow w;
    HWND hwnd = w.Create(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, hwnd);
    Pump(100);
    // Starting: only the loading picture shows.
    EXPECT_TRUE(Visible(w.Loading().Hwnd()));
    EXPECT_FALSE(Visible(w.Skin().Hwnd()));
    EXPECT_FALSE(Visible(hwnd));
    // At start-up there is no reveal timer: only a completed page shows it.
    Pump(500);
    EXPECT_FALSE(Visible(hwnd));

    SendMessageW(hwnd, WM_PAGE_LOADED, 0, 0);
    EXPECT_TRUE(Visible(w.Skin().Hwnd()));
    EXPECT_TRUE(Visible(hwnd));
    EXPECT_FALSE(Visible(w.Loading().Hwnd()));
    // The main window lies inside the frame, shrunk by the border.
    const WindowDesc& first = g_staticConfig.windows[g_staticConfig.firstWindow];
    RECT skin = Rect(w.Skin().Hwnd()), main = Rect(hwnd);
    EXPECT_EQ(skin.left + first.border[1], main.left);
    EXPECT_EQ(skin.top + first.border[0], main.top);

    // StartGame: the next layout, the loading picture until its page loads.
    SendMessageW(hwnd, WM_START_GAME, 0,
                 reinterpret_cast<LPARAM>(HeapUrl(L"http://127.0.0.1/game")));
    EXPECT_EQ(game, w.CurrentWindow());
    EXPECT_FALSE(Visible(hwnd));
    EXPECT_TRUE(Visible(w.Loading().Hwnd()));
    Pump(500); // no timer outside the first window
    EXPECT_FALSE(Visible(hwnd));
    SendMessageW(hwnd, WM_PAGE_LOADED, 0, 0);
    EXPECT_TRUE(Visible(hwnd));
    EXPECT_FALSE(Visible(w.Loading().Hwnd()));

    // Maximise over the work area with the alter pictures, then restore.
    RECT before = Rect(w.Skin().Hwnd());
    SendMessageW(hwnd, WM_TOGGLE_MAXIMIZE, 0, 0);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(w.Skin().Maximized());
    RECT maxed = Rect(w.Skin().Hwnd());
    EXPECT_TRUE(EqualRect(&work, &maxed));
    SendMessageW(hwnd, WM_TOGGLE_MAXIMIZE, 0, 0);
    EXPECT_FALSE(w.Skin().Maximized());
    RECT after = Rect(w.Skin().Hwnd());
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    // The frame's size is kept, not the main window's.
    EXPECT_EQ(before.right - before.left, w.NormalRect().right - w.NormalRect().left);

    // Close while maximised: back to the first layout, "Config.json" says 2.
    SendMessageW(hwnd, WM_TOGGLE_MAXIMIZE, 0, 0);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(g_staticConfig.firstWindow, w.CurrentWindow());
    std::string saved;
    ASSERT_TRUE(ReadFileBytes(dir_ / L"Config.json", saved));
    EXPECT_NE(std::string::npos, saved.find("\"maximized\":2")) << saved;
    // The first window comes back by the reveal timer even without a page.
    EXPECT_FALSE(Visible(hwnd));
    Pump(600);
    EXPECT_TRUE(Visible(hwnd));

    // A second close ends the run.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) quit = true;
    EXPECT_TRUE(quit);
}

TEST_F(MainWindowTest, NoFirstWindowCreatesNothing) {
    g_staticConfig.firstWindow = -1;
    MainWindow w;
    w.Create(GetModuleHandleW(nullptr));
    EXPECT_EQ(nullptr, w.Loading().Hwnd());
    EXPECT_EQ(nullptr, w.Skin().Hwnd());
}
