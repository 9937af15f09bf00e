// Real layered skin windows with the sample skin of demo/: what they draw,
// read back from their own surfaces, and what real mouse messages make them
// send their owner. The rules behind both have their tables in
// skin_geometry_test.cpp; here only the wiring is checked.
#include "core/app_module.h"
#include "core/messages.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "ui/skin_geometry.h"
#include "ui/skin_window.h"
#include "win/gdiplus_scoped.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
constexpr Rgb kClear = {-1, 0, 0};  // fully transparent
constexpr Rgb kOpaque = {-2, 0, 0}; // any colour, alpha at least the given one

int A(uint32_t p) {
    return p >> 24;
}
int R(uint32_t p) {
    return (p >> 16) & 0xFF;
}

// The pixel is the colour at the given alpha, premultiplied.
::testing::AssertionResult IsColour(uint32_t p, Rgb c, int alpha = 255) {
    if (c.r == kOpaque.r && A(p) >= alpha) return ::testing::AssertionSuccess();
    if (c.r < 0) alpha = 0;
    int e[4] = {alpha, c.r * alpha / 255, c.g * alpha / 255, c.b * alpha / 255};
    int got[4] = {A(p), R(p), int(p >> 8) & 0xFF, int(p) & 0xFF};
    for (int k = 0; k < 4; ++k)
        if (std::abs(got[k] - e[k]) > 3)
            return ::testing::AssertionFailure()
                   << "argb " << got[0] << " " << got[1] << " " << got[2] << " " << got[3]
                   << ", expected " << e[0] << " " << e[1] << " " << e[2] << " " << e[3];
    return ::testing::AssertionSuccess();
}

// Button indices of the game layout in demo/static.json.
constexpr int kClose = 0, kMaximize = 1, kMinimize = 2, kRefresh = 3;

class SkinWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gdiplus_ = win::StartGdiplus();
        dir_ = new TempDir();
        CopyTree(SourcePath("demo"), dir_->Path());
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
        gdiplus_.Reset();
    }

    // Creates the skin as the main window does: the first layout's background
    // sizes it before creation.
    void CreateSkin() {
        skin_.SetBackgroundImage(config_.windows[config_.FindWindowByName("start")].background);
        ASSERT_NE(skin_.Create(owner_.Get(), L"skin"), nullptr);
        skin_.Render(0, 0);
    }
    // The game layout at a given size.
    void EnterGame(int w, int h) {
        skin_.SetWindowIndex(config_.FindWindowByName("game"));
        MoveWindow(skin_.Hwnd(), 0, 0, w, h, TRUE);
        skin_.Render(w, h);
    }
    RECT Rect() const {
        RECT r = {};
        GetWindowRect(skin_.Hwnd(), &r);
        return r;
    }
    // Places the cursor at window pixel p and sends the message there.
    void Send(UINT message, POINT p) {
        RECT r = Rect();
        SetCursorPos(r.left + p.x, r.top + p.y);
        SendMessageW(skin_.Hwnd(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                     MAKELPARAM(p.x, p.y));
    }
    // A point inside button k of the current layout.
    POINT Button(int k) const {
        RECT r = Rect();
        POINT p = ButtonPosition(config_.windows[skin_.WindowIndex()].buttons[k], r.right - r.left,
                                 r.bottom - r.top);
        return {p.x + 3, p.y + 3};
    }
    uint32_t FaceAt(int k) const { return skin_.PixelAt(Button(k).x, Button(k).y); }

    static inline win::GdiplusSession gdiplus_;
    static inline TempDir* dir_ = nullptr;
    static inline StaticConfig config_;
    AppModule module_;
    RecordingWindow owner_;
    ui::SkinWindow skin_{config_, module_};
};

TEST_F(SkinWindowTest, StartWindowTakesItsBackgroundAndCentresOverAVisibleOwnerOnly) {
    CreateSkin();
    RECT r = Rect();
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 520);
    EXPECT_EQ(A(skin_.PixelAt(400, 20)), 255); // title bar opaque, middle transparent
    EXPECT_EQ(skin_.PixelAt(400, 300), 0u);
    // Its own cursor file was loaded (not the shared arrow).
    EXPECT_NE(skin_.WindowCursor(), nullptr);
    EXPECT_NE(skin_.WindowCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(GetWindowLongPtrW(skin_.Hwnd(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongPtrW(skin_.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(GetWindow(skin_.Hwnd(), GW_OWNER), owner_.Get());

    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT centre = CenterPosition(nullptr, work, 800, 520);
    MoveWindow(owner_.Get(), 600, 300, 1000, 600, FALSE);
    struct Row {
        int show; // of the owner
        POINT expect;
    } rows[] = {{SW_HIDE, centre}, {SW_SHOWNOACTIVATE, {700, 340}}, {SW_SHOWMINNOACTIVE, centre}};
    for (const Row& row : rows) {
        ShowWindow(owner_.Get(), row.show);
        skin_.CenterOnOwner();
        EXPECT_EQ(Rect().left, row.expect.x) << row.show;
        EXPECT_EQ(Rect().top, row.expect.y) << row.show;
    }
    ShowWindow(owner_.Get(), SW_HIDE);
}

// The nine pieces and the buttons as drawn into the surface at three sizes.
TEST_F(SkinWindowTest, NineGridCompositionTable) {
    CreateSkin();
    struct Pixel {
        int x, y; // negative: counted from the right or bottom edge
        Rgb colour;
        int alpha;
    };
    struct Row {
        int w, h;
        std::vector<Pixel> pixels;
    } rows[] = {
        // Corners unscaled (the moon of the top-left one, the half-transparent
        // outer line of the others, the corner's own open part); each edge
        // with its own thickness: top 32, left 8, right 10, bottom 12; the
        // edges reach their corners (Wine's GDI+ leaves the first row of a
        // vertically stretched piece empty, so checks start one row lower);
        // no background, so the middle stays clear.
        {900,
         600,
         {{9, 18, kMoon, 255},        {4, 36, kFrame, 255},       {20, 36, kClear, 0},
          {-1, 20, kFrameLight, 128}, {-1, -1, kFrameLight, 128}, {-15, -20, kClear, 0},
          {450, 32, kClear, 0},       {7, 300, kFrame, 255},      {8, 300, kClear, 0},
          {-10, 300, kFrame, 255},    {-11, 300, kClear, 0},      {450, -12, kFrame, 255},
          {450, -13, kClear, 0},      {4, 41, kFrame, 255},       {4, -25, kFrame, 255},
          {-5, 41, kFrame, 255},      {-5, -25, kFrame, 255},     {24, -6, kFrame, 255},
          {-25, -6, kFrame, 255},     {450, 300, kClear, 0},      {450, 0, kFrameLight, 128},
          {450, 31, kOpaque, 255},    {24, 16, kOpaque, 255},     {-25, 16, kOpaque, 255}}},
        // Exactly as wide as the two top corners: they touch.
        {48, 200, {{23, 0, kFrameLight, 128}, {24, 20, kOpaque, 255}}},
        // Smaller than its corners: drawn without negative extents.
        {10, 10, {{0, 5, kOpaque, 1}}},
    };
    for (const Row& row : rows) {
        EnterGame(row.w, row.h);
        ASSERT_EQ(skin_.SurfaceWidth(), row.w);
        for (const Pixel& p : row.pixels) {
            int x = p.x < 0 ? row.w + p.x : p.x, y = p.y < 0 ? row.h + p.y : p.y;
            EXPECT_TRUE(IsColour(skin_.PixelAt(x, y), p.colour, p.alpha))
                << row.w << "x" << row.h << " at " << x << "," << y;
        }
    }
    EnterGame(900, 600);
    // Buttons are drawn with every render, in their normal faces.
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFaceNormal));
    EXPECT_TRUE(IsColour(FaceAt(kRefresh), kFaceNormal));
}

// Presses and double clicks on the frame, outside the buttons or on them.
TEST_F(SkinWindowTest, FrameCommandsTable) {
    CreateSkin();
    EnterGame(900, 600);
    struct Row {
        bool maximized;
        UINT message;
        POINT at;
        const wchar_t* cursor; // a system cursor; null: the skin's own
        UINT sent;             // what reaches the owner; 0: nothing
        WPARAM wParam;
    } rows[] = {
        {false, WM_LBUTTONDOWN, {897, 3}, IDC_SIZENESW, WM_SYSCOMMAND, WPARAM(kHitSizeTopRight)},
        {false, WM_LBUTTONDOWN, {890, 10}, nullptr, WM_SYSCOMMAND, WPARAM(kHitMove)},
        {false, WM_MOUSEMOVE, {2, 300}, IDC_SIZEWE, 0, 0},
        {true, WM_LBUTTONDOWN, {897, 3}, nullptr, 0, 0},
        {true, WM_LBUTTONDBLCLK, {897, 3}, nullptr, WM_TOGGLE_MAXIMIZE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x << "," << row.at.y << " " << row.message);
        skin_.SetMaximized(row.maximized);
        owner_.received.clear();
        Send(WM_MOUSEMOVE, row.at);
        HCURSOR want = row.cursor ? LoadCursorW(nullptr, row.cursor) : skin_.WindowCursor();
        SendMessageW(skin_.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(skin_.Hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), want);
        if (row.message != WM_MOUSEMOVE) Send(row.message, row.at);
        ASSERT_EQ(owner_.received.size(), row.sent ? 1u : 0u);
        EXPECT_EQ(owner_.Count(row.sent, row.wParam), row.sent ? 1 : 0);
        Send(WM_LBUTTONUP, row.at);
    }
}

TEST_F(SkinWindowTest, ButtonCommandsReachTheOwner) {
    CreateSkin();
    EnterGame(900, 600);
    ShowWindow(owner_.Get(), SW_SHOWNOACTIVATE);
    for (int k : {kMaximize, kClose, kMinimize, kRefresh})
        for (UINT m : {UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONUP)})
            Send(m, Button(k));
    EXPECT_NE(GetCapture(), skin_.Hwnd());
    // A double click on a button after its click runs nothing more.
    Send(WM_LBUTTONDBLCLK, Button(kRefresh));
    Send(WM_LBUTTONUP, Button(kRefresh));
    EXPECT_EQ(owner_.Count(WM_TOGGLE_MAXIMIZE), 1);
    EXPECT_EQ(owner_.Count(WM_REFRESH_PAGE), 1);
    EXPECT_EQ(owner_.Count(WM_CLOSE), 1);
    EXPECT_EQ(owner_.received.size(), 3u);
    EXPECT_TRUE(IsIconic(owner_.Get())); // minimise acts on the owner directly
}

// The faces drawn for the button machine's states, the capture it asks for,
// and a press that another window's capture cancels.
TEST_F(SkinWindowTest, ButtonFacesFollowTheMouse) {
    CreateSkin();
    EnterGame(900, 600);
    POINT mini = Button(kMinimize);
    Send(WM_MOUSEMOVE, mini);
    EXPECT_EQ(skin_.HitCommand(), 0);
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceHover));
    Send(WM_LBUTTONDOWN, mini);
    EXPECT_EQ(GetCapture(), skin_.Hwnd());
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFacePressed));
    SetCapture(owner_.Get()); // something else takes the mouse
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceHover));
    ReleaseCapture();
    Send(WM_MOUSELEAVE, mini);
    EXPECT_TRUE(IsColour(FaceAt(kMinimize), kFaceNormal));
    // Maximised, the maximise button shows its alter faces.
    skin_.SetMaximized(true);
    skin_.DrawAllButtons();
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kAlterNormal));
    Send(WM_MOUSEMOVE, Button(kMaximize));
    EXPECT_TRUE(IsColour(FaceAt(kMaximize), kAlterHover));
}

TEST_F(SkinWindowTest, SwitchingLayoutResetsButtonsAndSize) {
    CreateSkin();
    EnterGame(900, 600);
    Send(WM_MOUSEMOVE, Button(kClose));
    Send(WM_LBUTTONDOWN, Button(kClose));
    skin_.SetWindowIndex(config_.FindWindowByName("start"));
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_EQ(Rect().right - Rect().left, 800);
    EXPECT_EQ(Rect().bottom - Rect().top, 520);
    // Normal faces of a layout without nine-grid come from its background:
    // the title bar's colour, as just below the button.
    EXPECT_EQ(A(FaceAt(0)), 255);
    EXPECT_LE(std::abs(R(FaceAt(0)) - R(skin_.PixelAt(Button(0).x, 33))), 2);
}

TEST_F(SkinWindowTest, DragFullWindowsIsRestored) {
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0);
    BOOL drag = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    if (drag) GTEST_SKIP() << "the setting cannot be switched off here";
    CreateSkin();
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    EXPECT_TRUE(drag);
    DestroyWindow(skin_.Hwnd());
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    EXPECT_FALSE(drag);
}

TEST_F(SkinWindowTest, LoadingWindowShowsItsPictureAndEndsTheLoopOnClose) {
    ui::LoadingWindow loading(module_);
    loading.SetBackgroundImage(config_.loading);
    ASSERT_NE(loading.Create(owner_.Get(), L"loading"), nullptr);
    loading.Render(0, 0);
    EXPECT_EQ(loading.SurfaceWidth(), 320);
    EXPECT_EQ(loading.SurfaceHeight(), 120);
    EXPECT_EQ(A(loading.PixelAt(160, 100)), 255);
    EXPECT_EQ(loading.PixelAt(0, 0), 0u);
    PostMessageW(loading.Hwnd(), WM_CLOSE, 0, 0);
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(loading.Hwnd(), nullptr);
}

} // namespace
