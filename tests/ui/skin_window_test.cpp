// Real layered skin windows with the sample skin of demo/: what real mouse
// messages make them draw and send their owner. The rules behind them have
// their tables in skin_geometry_test.cpp and the frames are checked pixel by
// pixel elsewhere (skin_compose_test.cpp, the preview's test); here only the
// wiring is checked.
#include "core/messages.h"
#include "support/demo_skin.h"
#include "ui/skin_geometry.h"

#include <cstdlib>

using namespace testing_support;

namespace {

// Button faces of the sample skin (tools/draw_skin.py) as 0xRRGGBB.
constexpr int kFaceNormal = 0x46328C, kFaceHover = 0x6E5AC8, kFacePressed = 0x281864,
              kAlterNormal = 0x3C4696, kAlterHover = 0x5A82D2;

// The pixel is the opaque colour rgb, give or take 3 levels a channel.
::testing::AssertionResult IsColour(uint32_t p, int rgb) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((p >> shift) & 0xFF) - (shift == 24 ? 255 : (rgb >> shift) & 0xFF)) > 3)
            return ::testing::AssertionFailure() << std::hex << p << " is not " << rgb;
    return ::testing::AssertionSuccess();
}

// Button indices of the game layout in demo/static.json.
constexpr int kClose = 0, kMaximize = 1, kMinimize = 2, kRefresh = 3;

class SkinWindowTest : public ::testing::Test {
  protected:
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
        POINT p = ButtonPosition(demo_.config.windows[skin_.WindowIndex()].buttons[k],
                                 r.right - r.left, r.bottom - r.top);
        return {p.x + 3, p.y + 3};
    }
    uint32_t FaceAt(int k) const { return skin_.PixelAt(Button(k).x, Button(k).y); }

    DemoSkin demo_;
    ui::SkinWindow& skin_ = demo_.skin;
    RecordingWindow& owner_ = demo_.owner;
};

TEST_F(SkinWindowTest, StartWindowTakesItsCursorAndCentresOverAVisibleOwnerOnly) {
    // Its own cursor file was loaded (not the shared arrow).
    EXPECT_NE(skin_.WindowCursor(), nullptr);
    EXPECT_NE(skin_.WindowCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(GetWindowLongPtrW(skin_.Hwnd(), GWL_STYLE) & WS_CAPTION, 0);
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

// Presses and double clicks on the frame, outside the buttons or on them.
TEST_F(SkinWindowTest, FrameCommandsTable) {
    demo_.Show("game", 900, 600);
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
    demo_.Show("game", 900, 600);
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
    demo_.Show("game", 900, 600);
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
    demo_.Show("game", 900, 600);
    Send(WM_MOUSEMOVE, Button(kClose));
    Send(WM_LBUTTONDOWN, Button(kClose));
    skin_.SetWindowIndex(demo_.config.FindWindowByName("start"));
    EXPECT_EQ(skin_.HotButton(), -1);
    EXPECT_FALSE(skin_.Pressed());
    EXPECT_EQ(Rect().right - Rect().left, 800);
    EXPECT_EQ(Rect().bottom - Rect().top, 520);
}

TEST_F(SkinWindowTest, LoadingWindowEndsTheLoopOnClose) {
    ui::LoadingWindow loading(demo_.module);
    loading.SetBackgroundImage(demo_.config.loading);
    ASSERT_NE(loading.Create(owner_.Get(), L"loading"), nullptr);
    PostMessageW(loading.Hwnd(), WM_CLOSE, 0, 0);
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(loading.Hwnd(), nullptr);
}

TEST(SkinWindow, DragFullWindowsIsRestored) {
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0);
    BOOL drag = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    if (drag) GTEST_SKIP() << "the setting cannot be switched off here";
    {
        DemoSkin demo;
        SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
        EXPECT_TRUE(drag);
    }
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    EXPECT_FALSE(drag);
}

} // namespace
