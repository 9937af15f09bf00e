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

#include <array>
#include <cstdlib>
#include <vector>

using namespace testing_support;

namespace {

// Colours of the sample skin (tools/draw_skin.py) as 0xRRGGBB; kClear is
// fully transparent, kOpaque any colour with at least the given alpha.
constexpr int kFrame = 0x3A2A78, kFrameLight = 0xC8B4FF, kMoon = 0xFAECAA, kClear = -1,
              kOpaque = -2, kFaceNormal = 0x46328C, kFaceHover = 0x6E5AC8, kFacePressed = 0x281864,
              kAlterNormal = 0x3C4696, kAlterHover = 0x5A82D2;

// The pixel is the colour at the given alpha, premultiplied.
::testing::AssertionResult IsColour(uint32_t p, int rgb, int alpha = 255) {
    if (rgb == kOpaque && int(p >> 24) >= alpha) return ::testing::AssertionSuccess();
    if (rgb < 0) alpha = rgb = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int want = shift == 24 ? alpha : ((rgb >> shift) & 0xFF) * alpha / 255;
        if (std::abs(int((p >> shift) & 0xFF) - want) > 3)
            return ::testing::AssertionFailure()
                   << std::hex << "argb " << p << ", expected " << alpha << " " << rgb;
    }
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
        SetCurrentDirectoryW(SourcePath("").c_str());
        delete dir_;
        gdiplus_.Reset();
    }

    // Creates the skin as the main window does (the first layout's background
    // sizes it), then shows the game layout at w x h unless w is 0.
    void CreateSkin(int w = 900, int h = 600) {
        skin_.SetBackgroundImage(config_.windows[config_.FindWindowByName("start")].background);
        ASSERT_NE(skin_.Create(owner_.Get(), L"skin"), nullptr);
        skin_.Render(0, 0);
        if (w) EnterGame(w, h);
    }
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
        SetCursorPos(Rect().left + p.x, Rect().top + p.y);
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
    CreateSkin(0);
    EXPECT_EQ(Rect().right - Rect().left, 800);
    EXPECT_EQ(Rect().bottom - Rect().top, 520);
    EXPECT_EQ(skin_.PixelAt(400, 20) >> 24, 255u); // title bar opaque, middle transparent
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
    const int rows[][3] = {{SW_HIDE, centre.x, centre.y},
                           {SW_SHOWNOACTIVATE, 700, 340},
                           {SW_SHOWMINNOACTIVE, centre.x, centre.y}};
    for (const auto& row : rows) {
        ShowWindow(owner_.Get(), row[0]);
        skin_.CenterOnOwner();
        EXPECT_EQ(Rect().left, row[1]) << row[0];
        EXPECT_EQ(Rect().top, row[2]) << row[0];
    }
    ShowWindow(owner_.Get(), SW_HIDE);
}

// The nine pieces and the buttons as drawn into the surface at three sizes:
// x, y (negative: from the right or bottom edge), colour, alpha.
TEST_F(SkinWindowTest, NineGridCompositionTable) {
    CreateSkin();
    struct Row {
        int w, h;
        std::vector<std::array<int, 4>> pixels;
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
        // Exactly as wide as the two top corners: they touch. Smaller than
        // its corners: drawn without negative extents.
        {48, 200, {{23, 0, kFrameLight, 128}, {24, 20, kOpaque, 255}}},
        {10, 10, {{0, 5, kOpaque, 1}}}};
    for (const Row& row : rows) {
        EnterGame(row.w, row.h);
        ASSERT_EQ(skin_.SurfaceWidth(), row.w);
        for (const auto& p : row.pixels) {
            int x = p[0] < 0 ? row.w + p[0] : p[0], y = p[1] < 0 ? row.h + p[1] : p[1];
            EXPECT_TRUE(IsColour(skin_.PixelAt(x, y), p[2], p[3])) << row.w << " " << x << "," << y;
        }
    }
    // Buttons are drawn with every render, in their normal faces.
    EnterGame(900, 600);
    EXPECT_TRUE(IsColour(FaceAt(kClose), kFaceNormal));
    EXPECT_TRUE(IsColour(FaceAt(kRefresh), kFaceNormal));
}

// Presses and double clicks on the frame, outside the buttons or on them.
TEST_F(SkinWindowTest, FrameCommandsTable) {
    CreateSkin();
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
        {true, WM_LBUTTONDBLCLK, {897, 3}, nullptr, WM_TOGGLE_MAXIMIZE, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x << "," << row.at.y << " " << row.message);
        skin_.SetMaximized(row.maximized);
        owner_.received.clear();
        Send(WM_MOUSEMOVE, row.at);
        SendMessageW(skin_.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(skin_.Hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(),
                  row.cursor ? LoadCursorW(nullptr, row.cursor) : skin_.WindowCursor());
        if (row.message != WM_MOUSEMOVE) Send(row.message, row.at);
        ASSERT_EQ(owner_.received.size(), row.sent ? 1u : 0u);
        EXPECT_EQ(owner_.Count(row.sent, row.wParam), row.sent ? 1 : 0);
        Send(WM_LBUTTONUP, row.at);
    }
}

TEST_F(SkinWindowTest, ButtonCommandsReachTheOwner) {
    CreateSkin();
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
    Send(WM_MOUSEMOVE, Button(kClose));
    Send(WM_LBUTTONDOWN, Button(kClose));
    skin_.SetWindowIndex(config_.FindWindowByName("start"));
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_EQ(Rect().right - Rect().left, 800);
    EXPECT_EQ(Rect().bottom - Rect().top, 520);
    // Normal faces of a layout without nine-grid come from its background:
    // the title bar's colour, as just below the button.
    EXPECT_EQ(FaceAt(0) >> 24, 255u);
    EXPECT_LE(std::abs(int((FaceAt(0) >> 16) & 0xFF) -
                       int((skin_.PixelAt(Button(0).x, 33) >> 16) & 0xFF)),
              2);
}

TEST_F(SkinWindowTest, DragFullWindowsIsRestored) {
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0);
    BOOL drag = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    if (drag) GTEST_SKIP() << "the setting cannot be switched off here";
    CreateSkin(0);
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
    EXPECT_EQ(loading.PixelAt(160, 100) >> 24, 255u);
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
