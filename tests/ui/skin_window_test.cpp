// Real layered skin windows under the display of the test rig, with the sample
// skin of demo/: composition read back from each window's own surface, the
// mouse driven by real messages with the cursor placed where they say.
#include "core/app_module.h"
#include "core/messages.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "ui/gdiplus_flat.h"
#include "ui/skin_geometry.h"
#include "ui/skin_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace testing_support;

namespace {

// Colours of the sample skin (tools/draw_skin.py).
struct Rgb {
    int r, g, b;
};
constexpr Rgb kFrame = {58, 42, 120};
constexpr Rgb kFrameLight = {200, 180, 255};
constexpr Rgb kMoon = {250, 236, 170};
constexpr Rgb kFaceNormal = {70, 50, 140};
constexpr Rgb kFaceHover = {110, 90, 200};
constexpr Rgb kFacePressed = {40, 24, 100};
constexpr Rgb kAlterNormal = {60, 70, 150};
constexpr Rgb kAlterHover = {90, 130, 210};

int A(uint32_t p) {
    return p >> 24;
}
int R(uint32_t p) {
    return (p >> 16) & 0xFF;
}
int G(uint32_t p) {
    return (p >> 8) & 0xFF;
}
int B(uint32_t p) {
    return p & 0xFF;
}

// The pixel is the colour at the given alpha, premultiplied.
::testing::AssertionResult IsColour(uint32_t p, Rgb c, int alpha = 255, int tolerance = 3) {
    int er = c.r * alpha / 255, eg = c.g * alpha / 255, eb = c.b * alpha / 255;
    if (std::abs(A(p) - alpha) <= tolerance && std::abs(R(p) - er) <= tolerance &&
        std::abs(G(p) - eg) <= tolerance && std::abs(B(p) - eb) <= tolerance)
        return ::testing::AssertionSuccess();
    char text[160];
    snprintf(text, sizeof text, "pixel a%d r%d g%d b%d, expected a%d r%d g%d b%d", A(p), R(p), G(p),
             B(p), alpha, er, eg, eb);
    return ::testing::AssertionFailure() << text;
}

// An owner window that records the commands the skin sends it and carries
// none of them out, so no system move loop starts.
struct Owner {
    std::vector<std::pair<UINT, WPARAM>> received;
    HWND hwnd = nullptr;

    Owner() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = &Owner::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"UiTestOwner";
            RegisterClassW(&wc);
            registered = true;
        }
        hwnd = CreateWindowExW(0, L"UiTestOwner", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), this);
    }
    ~Owner() {
        if (hwnd) DestroyWindow(hwnd);
    }
    int Count(UINT message, WPARAM wParam = ~WPARAM(0)) const {
        int n = 0;
        for (const auto& m : received)
            if (m.first == message && (wParam == ~WPARAM(0) || m.second == wParam)) ++n;
        return n;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && (message == WM_SYSCOMMAND || message == WM_CLOSE ||
                     message == WM_REFRESH_PAGE || message == WM_TOGGLE_MAXIMIZE)) {
            self->received.push_back({message, wParam});
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

void Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

class SkinWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        dir_ = new TempDir();
        CreateDirectoryW((*dir_ / L"skin").c_str(), nullptr);
        CopyFileW(SourcePath("demo/static.json").c_str(), (*dir_ / L"static.json").c_str(), FALSE);
        for (const wchar_t* name : {L"elements.png", L"start.png", L"loading.png", L"lumora.cur"}) {
            CopyFileW((SourcePath("demo/skin") + L"\\" + name).c_str(),
                      (*dir_ / (std::wstring(L"skin\\") + name)).c_str(), FALSE);
        }
        // Cursor paths are used as configured, relative to the working directory.
        SetCurrentDirectoryW(dir_->Path().c_str());
        config_.LoadStaticConfigFrom(dir_->Path().c_str(), L"Lumora 2", L"", L"", 2,
                                     []() -> const wchar_t* { return nullptr; });
    }
    static void TearDownTestSuite() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        SetCurrentDirectoryW(temp);
        delete dir_;
        dir_ = nullptr;
        Gdiplus::GdiplusShutdown(token_);
    }

    int GameIndex() const { return config_.FindWindowByName("game"); }
    int StartIndex() const { return config_.FindWindowByName("start"); }

    // Creates the skin as the main window does: the first layout's background
    // sizes it before creation.
    void CreateSkin() {
        ASSERT_GE(StartIndex(), 0);
        skin_.SetBackgroundImage(config_.windows[StartIndex()].background);
        ASSERT_NE(skin_.Create(owner_.hwnd, L"skin"), nullptr);
        skin_.Render(0, 0);
    }
    // The game layout at a given size.
    void EnterGame(int w, int h) {
        skin_.SetWindowIndex(GameIndex());
        RECT r;
        GetWindowRect(skin_.Hwnd(), &r);
        MoveWindow(skin_.Hwnd(), r.left, r.top, w, h, TRUE);
        skin_.Render(w, h);
    }
    RECT Rect() const {
        RECT r = {};
        GetWindowRect(skin_.Hwnd(), &r);
        return r;
    }
    // Places the cursor at window pixel (x, y) and sends the move there.
    void MoveTo(int x, int y) {
        RECT r = Rect();
        SetCursorPos(r.left + x, r.top + y);
        SendMessageW(skin_.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }
    void Down(int x, int y) {
        SendMessageW(skin_.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }
    void Up(int x, int y) { SendMessageW(skin_.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    // Moves onto p, presses and releases there.
    void Click(POINT p) {
        MoveTo(p.x, p.y);
        Down(p.x, p.y);
        Up(p.x, p.y);
    }
    // Window position of button k of the current layout.
    POINT Button(int k) const {
        const WindowDesc& d = config_.windows[skin_.WindowIndex()];
        RECT r = Rect();
        POINT p = ButtonPosition(d.buttons[k], r.right - r.left, r.bottom - r.top);
        return {p.x + 3, p.y + 3};
    }
    uint32_t FaceAt(int k) const {
        POINT p = Button(k);
        return skin_.PixelAt(p.x, p.y);
    }
    HCURSOR CursorAfterSetCursor() {
        SendMessageW(skin_.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(skin_.Hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    }

    static ULONG_PTR token_;
    static TempDir* dir_;
    static StaticConfig config_;
    AppModule module_;
    Owner owner_;
    ui::SkinWindow skin_{config_, module_};
};

ULONG_PTR SkinWindowTest::token_ = 0;
TempDir* SkinWindowTest::dir_ = nullptr;
StaticConfig SkinWindowTest::config_;

// Button indices of the game layout in demo/static.json.
constexpr int kClose = 0, kMaximize = 1, kMinimize = 2, kRefresh = 3;

TEST_F(SkinWindowTest, StartWindowTakesItsBackgroundSize) {
    CreateSkin();
    RECT r = Rect();
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 520);
    EXPECT_EQ(skin_.SurfaceWidth(), 800);
    EXPECT_EQ(skin_.WindowIndex(), StartIndex());
    // Title bar opaque, open middle transparent.
    EXPECT_EQ(A(skin_.PixelAt(400, 20)), 255);
    EXPECT_EQ(skin_.PixelAt(400, 300), 0u);
    // Centred on the work area, since the owner is hidden.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT expect = CenterPosition(nullptr, work, 800, 520);
    EXPECT_EQ(r.left, expect.x);
    EXPECT_EQ(r.top, expect.y);
    // Its own cursor file was loaded (not the shared arrow).
    EXPECT_NE(skin_.WindowCursor(), nullptr);
    EXPECT_NE(skin_.WindowCursor(), LoadCursorW(nullptr, IDC_ARROW));
    // Style: no caption, layered.
    EXPECT_EQ(GetWindowLongPtrW(skin_.Hwnd(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongPtrW(skin_.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(GetWindow(skin_.Hwnd(), GW_OWNER), owner_.hwnd);
}

TEST_F(SkinWindowTest, CentresOnAVisibleOwnerOnly) {
    CreateSkin();
    MoveWindow(owner_.hwnd, 600, 300, 1000, 600, FALSE);
    ShowWindow(owner_.hwnd, SW_SHOWNOACTIVATE);
    skin_.CenterOnOwner();
    RECT r = Rect();
    EXPECT_EQ(r.left, 1100 - 400);
    EXPECT_EQ(r.top, 600 - 260);
    // A minimised owner does not count: the work area is used.
    ShowWindow(owner_.hwnd, SW_SHOWMINNOACTIVE);
    skin_.CenterOnOwner();
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT expect = CenterPosition(nullptr, work, 800, 520);
    r = Rect();
    EXPECT_EQ(r.left, expect.x);
    EXPECT_EQ(r.top, expect.y);
    ShowWindow(owner_.hwnd, SW_HIDE);
}

TEST_F(SkinWindowTest, NineGridComposition) {
    CreateSkin();
    EnterGame(900, 600);
    const int W = 900, H = 600;
    ASSERT_EQ(skin_.SurfaceWidth(), W);
    ASSERT_NE(skin_.SurfacePixels(), nullptr);

    if (GetEnvironmentVariableW(L"LUMORA_UI_PAUSE", nullptr, 0)) {
        ShowWindow(skin_.Hwnd(), SW_SHOWNA);
        skin_.Render(0, 0);
        Pump(10000);
    }

    // Corners copied unscaled: the moon of the top-left corner, the half-
    // transparent outer line of the others, and the corner's own open part.
    EXPECT_TRUE(IsColour(skin_.PixelAt(9, 18), kMoon));
    EXPECT_TRUE(IsColour(skin_.PixelAt(4, 36), kFrame));
    EXPECT_EQ(skin_.PixelAt(20, 36), 0u);
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 1, 20), kFrameLight, 128));
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 1, H - 1), kFrameLight, 128));
    EXPECT_EQ(skin_.PixelAt(W - 15, H - 20), 0u);

    // Each edge with its own thickness: top 32 (the corners are 40), left 8,
    // right 10, bottom 12.
    EXPECT_EQ(A(skin_.PixelAt(W / 2, 31)), 255);
    EXPECT_EQ(skin_.PixelAt(W / 2, 32), 0u);
    EXPECT_EQ(skin_.PixelAt(W / 2, 36), 0u);
    EXPECT_TRUE(IsColour(skin_.PixelAt(7, H / 2), kFrame));
    EXPECT_EQ(skin_.PixelAt(8, H / 2), 0u);
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 10, H / 2), kFrame));
    EXPECT_EQ(skin_.PixelAt(W - 11, H / 2), 0u);
    EXPECT_TRUE(IsColour(skin_.PixelAt(W / 2, H - 12), kFrame));
    EXPECT_EQ(skin_.PixelAt(W / 2, H - 13), 0u);

    // The edges reach their corners. (Wine's GDI+ leaves the first row of a
    // vertically stretched piece empty, so the check starts one row lower.)
    EXPECT_TRUE(IsColour(skin_.PixelAt(4, 41), kFrame));
    EXPECT_TRUE(IsColour(skin_.PixelAt(4, H - 25), kFrame));
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 5, 41), kFrame));
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 5, H - 25), kFrame));
    EXPECT_TRUE(IsColour(skin_.PixelAt(24, H - 6), kFrame));
    EXPECT_TRUE(IsColour(skin_.PixelAt(W - 25, H - 6), kFrame));
    EXPECT_EQ(A(skin_.PixelAt(24, 16)), 255);
    EXPECT_EQ(A(skin_.PixelAt(W - 25, 16)), 255);

    // The middle stays fully transparent: there is no background.
    EXPECT_EQ(skin_.PixelAt(W / 2, H / 2), 0u);

    // Premultiplied alpha on the half-transparent outer line of the top edge.
    uint32_t line = skin_.PixelAt(W / 2, 0);
    EXPECT_TRUE(IsColour(line, kFrameLight, 128));
    EXPECT_LE(R(line), A(line));

    // Stretched, not tiled: the top edge's gradient runs once across the
    // whole width, never falling back.
    int first = R(skin_.PixelAt(30, 16)), previous = first;
    for (int x = 30; x < W - 140; ++x) {
        int r = R(skin_.PixelAt(x, 16));
        ASSERT_GE(r + 1, previous) << "at x " << x;
        previous = r;
    }
    EXPECT_GT(previous - first, 40);

    // Buttons are drawn with every render, in their normal faces.
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFaceNormal));
    EXPECT_TRUE(IsColour(FaceAt(kRefresh), kFaceNormal));
}

TEST_F(SkinWindowTest, NarrowAndTinyWindows) {
    CreateSkin();
    // Exactly as wide as the two top corners: the top edge has width 0 and
    // the corners touch.
    EnterGame(48, 200);
    EXPECT_TRUE(IsColour(skin_.PixelAt(23, 0), kFrameLight, 128));
    EXPECT_EQ(A(skin_.PixelAt(24, 20)), 255);
    // Smaller than its corners: drawn without negative extents, no failure.
    MoveWindow(skin_.Hwnd(), 0, 0, 10, 10, TRUE);
    skin_.Render(10, 10);
    EXPECT_EQ(skin_.SurfaceWidth(), 10);
    EXPECT_GT(A(skin_.PixelAt(0, 5)), 0);
}

TEST_F(SkinWindowTest, SizingAndMovingHitTest) {
    CreateSkin();
    EnterGame(900, 600);
    // 3 pixels inside the top-right corner sizes from that corner.
    MoveTo(900 - 3, 3);
    EXPECT_EQ(skin_.HitCommand(), kHitSizeTopRight);
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_EQ(CursorAfterSetCursor(), LoadCursorW(nullptr, IDC_SIZENESW));
    Down(900 - 3, 3);
    EXPECT_EQ(owner_.Count(WM_SYSCOMMAND, kHitSizeTopRight), 1);
    // 10 pixels inside moves.
    MoveTo(900 - 10, 10);
    EXPECT_EQ(skin_.HitCommand(), kHitMove);
    EXPECT_EQ(CursorAfterSetCursor(), skin_.WindowCursor());
    Down(900 - 10, 10);
    EXPECT_EQ(owner_.Count(WM_SYSCOMMAND, kHitMove), 1);
    // Left and bottom edges.
    MoveTo(2, 300);
    EXPECT_EQ(CursorAfterSetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
    MoveTo(450, 597);
    EXPECT_EQ(skin_.HitCommand(), kHitSizeBottom);
    EXPECT_EQ(CursorAfterSetCursor(), LoadCursorW(nullptr, IDC_SIZENS));

    // Maximised: a press outside the buttons does nothing; a double click
    // asks the owner to restore.
    skin_.SetMaximized(true);
    MoveTo(900 - 3, 3);
    EXPECT_EQ(skin_.HitCommand(), kHitNone);
    size_t before = owner_.received.size();
    Down(900 - 3, 3);
    EXPECT_EQ(owner_.received.size(), before);
    SendMessageW(skin_.Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(897, 3));
    EXPECT_EQ(owner_.Count(WM_TOGGLE_MAXIMIZE), 1);
}

TEST_F(SkinWindowTest, NonResizableWindowAlwaysMoves) {
    CreateSkin();
    MoveTo(800 - 3, 3);
    EXPECT_EQ(skin_.HitCommand(), kHitMove);
    EXPECT_EQ(CursorAfterSetCursor(), skin_.WindowCursor());
    Down(800 - 3, 3);
    EXPECT_EQ(owner_.Count(WM_SYSCOMMAND, kHitMove), 1);
    MoveTo(3, 519);
    EXPECT_EQ(skin_.HitCommand(), kHitMove);
}

TEST_F(SkinWindowTest, HoverPressMoveReleaseRunsTheButtonUnderTheCursor) {
    CreateSkin();
    EnterGame(900, 600);
    POINT mini = Button(kMinimize), close = Button(kClose);
    MoveTo(mini.x, mini.y);
    EXPECT_EQ(skin_.HotButton(), kMinimize);
    EXPECT_EQ(skin_.HitCommand(), 0);
    EXPECT_EQ(CursorAfterSetCursor(), skin_.WindowCursor());
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceHover));
    Down(mini.x, mini.y);
    EXPECT_TRUE(skin_.Pressed());
    EXPECT_EQ(GetCapture(), skin_.Hwnd());
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFacePressed));
    EXPECT_TRUE(owner_.received.empty());
    // Onto the close button while held: it shows pressed, minimise normal.
    MoveTo(close.x, close.y);
    EXPECT_EQ(skin_.HotButton(), kClose);
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFacePressed));
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceNormal));
    Up(close.x, close.y);
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_NE(GetCapture(), skin_.Hwnd());
    EXPECT_EQ(owner_.Count(WM_CLOSE), 1);
    EXPECT_EQ(owner_.Count(WM_TOGGLE_MAXIMIZE), 0);
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFaceHover));
    // Leaving shows the normal face again.
    SendMessageW(skin_.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFaceNormal));
}

TEST_F(SkinWindowTest, ReleaseAwayFromEveryButtonRunsNothing) {
    CreateSkin();
    EnterGame(900, 600);
    POINT max = Button(kMaximize);
    MoveTo(max.x, max.y);
    Down(max.x, max.y);
    MoveTo(450, 300 - 280);
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kFaceNormal));
    Up(450, 20);
    EXPECT_TRUE(owner_.received.empty());
    EXPECT_FALSE(skin_.Pressed());
}

TEST_F(SkinWindowTest, LosingTheCaptureCancelsThePress) {
    CreateSkin();
    EnterGame(900, 600);
    POINT mini = Button(kMinimize), close = Button(kClose);
    MoveTo(mini.x, mini.y);
    Down(mini.x, mini.y);
    ASSERT_EQ(GetCapture(), skin_.Hwnd());
    SetCapture(owner_.hwnd); // something else takes the mouse
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceHover));
    ReleaseCapture();
    MoveTo(close.x, close.y);
    Up(close.x, close.y);
    EXPECT_TRUE(owner_.received.empty());
}

TEST_F(SkinWindowTest, CommandsReachTheOwner) {
    CreateSkin();
    EnterGame(900, 600);
    for (int k : {kMaximize, kRefresh})
        Click(Button(k));
    EXPECT_EQ(owner_.Count(WM_TOGGLE_MAXIMIZE), 1);
    EXPECT_EQ(owner_.Count(WM_REFRESH_PAGE), 1);
    // Minimise trims the working set and minimises the owner.
    ShowWindow(owner_.hwnd, SW_SHOWNOACTIVATE);
    Click(Button(kMinimize));
    EXPECT_TRUE(IsIconic(owner_.hwnd));
}

TEST_F(SkinWindowTest, DoubleClickOnRefreshRefreshesOnce) {
    CreateSkin();
    EnterGame(900, 600);
    POINT p = Button(kRefresh);
    Click(p);
    SendMessageW(skin_.Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    Up(p.x, p.y);
    EXPECT_EQ(owner_.Count(WM_REFRESH_PAGE), 1);
    EXPECT_EQ(owner_.Count(WM_TOGGLE_MAXIMIZE), 0);
}

TEST_F(SkinWindowTest, MaximisedButtonsShowTheirAlterFaces) {
    CreateSkin();
    EnterGame(900, 600);
    skin_.SetMaximized(true);
    skin_.DrawAllButtons();
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kAlterNormal));
    POINT p = Button(kMaximize);
    MoveTo(p.x, p.y);
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kAlterHover));
    skin_.SetMaximized(false);
    skin_.DrawAllButtons();
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kFaceHover));
}

TEST_F(SkinWindowTest, OverlappingButtonsFavourTheEarlierOne) {
    ButtonDesc& max = config_.windows[GameIndex()].buttons[kMaximize];
    IntPoint saved = max.coord;
    max.coord = {-50, 5}; // over the left part of the close button
    CreateSkin();
    EnterGame(900, 600);
    MoveTo(900 - 40 + 2, 8); // in both
    EXPECT_EQ(skin_.HotButton(), kClose);
    MoveTo(900 - 50 + 2, 8); // only in the maximise button
    EXPECT_EQ(skin_.HotButton(), kMaximize);
    max.coord = saved;
}

TEST_F(SkinWindowTest, SwitchingLayoutResetsButtonsAndRecentres) {
    CreateSkin();
    EnterGame(900, 600);
    POINT p = Button(kClose);
    MoveTo(p.x, p.y);
    EXPECT_EQ(skin_.HotButton(), kClose);
    skin_.SetWindowIndex(StartIndex());
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_FALSE(skin_.Pressed());
    RECT r = Rect();
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 520);
    // Normal faces of a layout without nine-grid come from its background:
    // the title bar's colour, as just below the button.
    POINT c = Button(0);
    uint32_t beside = skin_.PixelAt(c.x, 33);
    EXPECT_EQ(A(FaceAt(0)), 255);
    EXPECT_LE(std::abs(R(FaceAt(0)) - R(beside)), 2);
}

TEST_F(SkinWindowTest, DragFullWindowsIsRestored) {
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0);
    BOOL drag = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    if (drag) GTEST_SKIP() << "the setting cannot be switched off here";
    {
        ui::SkinWindow skin(config_, module_);
        skin.SetBackgroundImage(config_.windows[StartIndex()].background);
        ASSERT_NE(skin.Create(owner_.hwnd, L"skin"), nullptr);
        SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
        EXPECT_TRUE(drag);
    }
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    EXPECT_FALSE(drag);
}

TEST_F(SkinWindowTest, LoadingWindowShowsItsPictureAndEndsTheLoopOnClose) {
    ui::LoadingWindow loading(module_);
    loading.SetBackgroundImage(config_.loading);
    ASSERT_NE(loading.Create(owner_.hwnd, L"loading"), nullptr);
    loading.Render(0, 0);
    EXPECT_EQ(loading.SurfaceWidth(), 320);
    EXPECT_EQ(loading.SurfaceHeight(), 120);
    EXPECT_EQ(A(loading.PixelAt(160, 100)), 255);
    EXPECT_EQ(loading.PixelAt(0, 0), 0u);
    PostMessageW(loading.Hwnd(), WM_CLOSE, 0, 0);
    MSG msg = {};
    int quit = -1;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    if (msg.message == WM_QUIT) quit = static_cast<int>(msg.wParam);
    EXPECT_EQ(quit, 0);
    EXPECT_EQ(loading.Hwnd(), nullptr);
}

} // namespace
