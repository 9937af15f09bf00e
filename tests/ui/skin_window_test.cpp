// Real layered skin windows with the sample skin of demo/: what real mouse
// messages make them draw and send their owner (the rules have their tables
// in skin_geometry_test.cpp, the frames skin_compose_test.cpp).
#include "core/messages.h"
#include "support/demo_skin.h"
#include "ui/skin_geometry.h"

using namespace testing_support;

namespace {

// Button faces of the sample skin (tools/draw_skin.py), opaque.
constexpr uint32_t kFaceNormal = 0xFF46328C, kFaceHover = 0xFF6E5AC8, kFacePressed = 0xFF281864,
                   kAlterNormal = 0xFF3C4696, kAlterHover = 0xFF5A82D2;
// Button indices of the game layout in demo/static.json.
constexpr int kClose = 0, kMaximize = 1, kMinimize = 2, kRefresh = 3;

struct SkinWindowTest : ::testing::Test, DemoSkin {
    RECT Rect() const {
        RECT r = {};
        GetWindowRect(skin.Hwnd(), &r);
        return r;
    }
    // Places the cursor at window pixel p and sends the message there.
    void Send(UINT message, POINT p) {
        SetCursorPos(Rect().left + p.x, Rect().top + p.y);
        SendMessageW(skin.Hwnd(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                     MAKELPARAM(p.x, p.y));
    }
    // A point inside button k of the current layout.
    POINT Button(int k) const {
        RECT r = Rect();
        POINT p = ButtonPosition(config.windows[skin.WindowIndex()].buttons[k], r.right - r.left,
                                 r.bottom - r.top);
        return {p.x + 3, p.y + 3};
    }
    uint32_t FaceAt(int k) const { return skin.PixelAt(Button(k).x, Button(k).y); }
};

TEST_F(SkinWindowTest, StartWindowTakesItsCursorAndCentresOverAVisibleOwnerOnly) {
    // Its own cursor file was loaded (not the shared arrow).
    EXPECT_NE(skin.WindowCursor(), nullptr);
    EXPECT_NE(skin.WindowCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(GetWindowLongPtrW(skin.Hwnd(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(GetWindow(skin.Hwnd(), GW_OWNER), owner.Get());
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT centre = CenterPosition(nullptr, work, 800, 520);
    MoveWindow(owner.Get(), 600, 300, 1000, 600, FALSE);
    const int rows[][3] = {{SW_HIDE, centre.x, centre.y},
                           {SW_SHOWNOACTIVATE, 700, 340},
                           {SW_SHOWMINNOACTIVE, centre.x, centre.y}};
    for (const auto& row : rows) {
        ShowWindow(owner.Get(), row[0]);
        skin.CenterOnOwner();
        EXPECT_EQ(Rect().left, row[1]) << row[0];
        EXPECT_EQ(Rect().top, row[2]) << row[0];
    }
    ShowWindow(owner.Get(), SW_HIDE);
}

// Clicks and double clicks on the frame and on the buttons: the cursor over
// the point, what reaches the owner, and the capture let go.
TEST_F(SkinWindowTest, FrameCommandsTable) {
    Show("game", 900, 600);
    ShowWindow(owner.Get(), SW_SHOWNOACTIVATE);
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
        {false, WM_LBUTTONDOWN, Button(kMaximize), nullptr, WM_TOGGLE_MAXIMIZE, 0},
        {false, WM_LBUTTONDOWN, Button(kClose), nullptr, WM_CLOSE, 0},
        {false, WM_LBUTTONDOWN, Button(kRefresh), nullptr, WM_REFRESH_PAGE, 0},
        {false, WM_LBUTTONDBLCLK, Button(kRefresh), nullptr, 0, 0}, // no second command
        {false, WM_LBUTTONDOWN, Button(kMinimize), nullptr, 0, 0}}; // acts on the owner itself
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x << "," << row.at.y << " " << row.message);
        skin.SetMaximized(row.maximized);
        owner.received.clear();
        Send(WM_MOUSEMOVE, row.at);
        SendMessageW(skin.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(skin.Hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), row.cursor ? LoadCursorW(nullptr, row.cursor) : skin.WindowCursor());
        if (row.message != WM_MOUSEMOVE) Send(row.message, row.at);
        Send(WM_LBUTTONUP, row.at);
        EXPECT_NE(GetCapture(), skin.Hwnd());
        ASSERT_EQ(owner.received.size(), row.sent ? 1u : 0u);
        EXPECT_EQ(owner.Count(row.sent, row.wParam), row.sent ? 1 : 0);
    }
    EXPECT_TRUE(IsIconic(owner.Get()));
}

// The faces drawn for the button machine's states, the capture it asks for,
// a press that another window's capture cancels, and the layout switch that
// drops a press.
TEST_F(SkinWindowTest, ButtonFacesFollowTheMouse) {
    Show("game", 900, 600);
    POINT mini = Button(kMinimize);
    Send(WM_MOUSEMOVE, mini);
    EXPECT_EQ(skin.HitCommand(), 0);
    EXPECT_EQ(FaceAt(kMinimize), kFaceHover);
    Send(WM_LBUTTONDOWN, mini);
    EXPECT_EQ(GetCapture(), skin.Hwnd());
    EXPECT_EQ(FaceAt(kMinimize), kFacePressed);
    SetCapture(owner.Get()); // something else takes the mouse
    EXPECT_FALSE(skin.Pressed());
    EXPECT_EQ(FaceAt(kMinimize), kFaceHover);
    ReleaseCapture();
    Send(WM_MOUSELEAVE, mini);
    EXPECT_EQ(FaceAt(kMinimize), kFaceNormal);
    // Maximised, the maximise button shows its alter faces.
    skin.SetMaximized(true);
    skin.DrawAllButtons();
    EXPECT_EQ(FaceAt(kMaximize), kAlterNormal);
    Send(WM_MOUSEMOVE, Button(kMaximize));
    EXPECT_EQ(FaceAt(kMaximize), kAlterHover);
    Send(WM_LBUTTONDOWN, Button(kMaximize));
    skin.SetWindowIndex(config.FindWindowByName("start"));
    EXPECT_EQ(skin.HotButton(), -1);
    EXPECT_FALSE(skin.Pressed());
    EXPECT_EQ(Rect().right - Rect().left, 800);
    EXPECT_EQ(Rect().bottom - Rect().top, 520);
}

// The frame's own alpha decides where the mouse reaches the skin window: a
// frame pixel that GDI+ left empty now takes it, the clear middle does not.
// Then a smaller frame out of the same, larger DIB: only the size is pushed.
TEST_F(SkinWindowTest, MouseReachesTheFrameWhereItIsDrawn) {
    Show("game", 1000, 640);
    SetWindowPos(skin.Hwnd(), nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int rows[][3] = {{1, 40, 1}, {4, 300, 1}, {500, 300, 0}, {500, 3, 1}}; // x, y, skin
    for (const auto& r : rows)
        EXPECT_EQ(SendMessageW(skin.Hwnd(), WM_NCHITTEST, 0,
                               MAKELPARAM(Rect().left + r[0], Rect().top + r[1])),
                  r[2] ? HTCLIENT : HTTRANSPARENT)
            << r[0] << "," << r[1];
    skin.Render(300, 200);
    EXPECT_EQ(Rect().right - Rect().left, 300);
    EXPECT_EQ(Rect().bottom - Rect().top, 200);
    EXPECT_EQ(skin.PixelAt(299, 199) >> 24, 128u); // the corner's half-clear outer line
}

TEST_F(SkinWindowTest, LoadingWindowEndsTheLoopOnClose) {
    ui::LoadingWindow loading(module);
    loading.SetBackgroundImage(config.loading);
    ASSERT_NE(loading.Create(owner.Get(), L"loading"), nullptr);
    SendMessageW(loading.Hwnd(), WM_CLOSE, 0, 0);
    MSG msg = {};
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
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
