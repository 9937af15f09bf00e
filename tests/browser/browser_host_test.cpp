#include "web/browser_host.h"
#include "web/ax_host.h"

#include "browser/test_objects.h"
#include "support/fake_browser.h"

#include <exdispid.h>

namespace {

// Counts what reaches the host window's accelerator forwarding.
int g_forwarded = 0;
WNDPROC g_nextProc = nullptr;

LRESULT CALLBACK CountForwards(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FORWARDMSG) ++g_forwarded;
    return CallWindowProcW(g_nextProc, hwnd, message, wParam, lParam);
}

void WatchForwards(HWND hwnd) {
    g_forwarded = 0;
    g_nextProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountForwards)));
}

void UnwatchForwards(HWND hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_nextProc));
}

HRESULT FireDocumentComplete(IDispatch* sink, DISPID id) {
    // The standard pair: the frame's IDispatch and the URL passed by reference.
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(L"about:blank");
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &url;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = nullptr;
    DISPPARAMS params{args, nullptr, 2, 0};
    HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                              nullptr, nullptr);
    VariantClear(&url);
    return hr;
}

MSG Message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

using BrowserHostTest = OleTest;

TEST_F(BrowserHostTest, CreatesTheControlAndConnectsItsEvents) {
    ParentWindow parent;
    ASSERT_NE(parent.Get(), nullptr);
    BrowserHost host;
    EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
    HWND hwnd = host.Create(parent.Get(), L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(host.Window(), hwnd);
    EXPECT_EQ(GetParent(hwnd), parent.Get());
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    EXPECT_STREQ(className, L"AtlAxWin");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & 0x50000000u, 0x50000000u);
    ASSERT_NE(host.Browser(), nullptr);
    EXPECT_NE(host.Cookie(), BrowserHost::kNoCookie);

    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(host.Browser(), nullptr);
    EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
    EXPECT_EQ(host.Window(), nullptr);
}

TEST_F(BrowserHostTest, DocumentCompleteMakesTheControlSilentAndTellsTheParent) {
    ParentWindow parent;
    BrowserHost host;
    ASSERT_NE(host.Create(parent.Get(), L"about:blank"), nullptr);
    ASSERT_NE(host.Browser(), nullptr);
    VARIANT_BOOL silent = VARIANT_TRUE;
    host.Browser()->put_Silent(VARIANT_FALSE);

    EXPECT_EQ(FireDocumentComplete(host.EventSink(), DISPID_DOCUMENTCOMPLETE), S_OK);
    EXPECT_EQ(parent.pageLoaded, 1);
    ASSERT_EQ(host.Browser()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_TRUE);

    // Frames complete too: one message for each.
    FireDocumentComplete(host.EventSink(), DISPID_DOCUMENTCOMPLETE);
    EXPECT_EQ(parent.pageLoaded, 2);
    // Any other event keeps the control's default behaviour.
    FireDocumentComplete(host.EventSink(), DISPID_NAVIGATEERROR);
    FireDocumentComplete(host.EventSink(), DISPID_NAVIGATECOMPLETE2);
    EXPECT_EQ(parent.pageLoaded, 2);
    EXPECT_EQ(parent.refreshPage, 0);
}

// Key-down F5 (any modifiers) becomes one refresh; other keyboard and mouse
// input goes on to the control; nothing else is offered to it.
TEST_F(BrowserHostTest, MessagesOfferedToTheControlTable) {
    ParentWindow parent;
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    WatchForwards(hwnd);
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool consumed;
        int refreshes, forwards;
    } cases[] = {
        {WM_KEYDOWN, VK_F5, 0x003F0001, true, 1, 0},
        {WM_KEYUP, VK_F5, 0xC03F0001, false, 0, 1},
        {WM_SYSKEYDOWN, VK_F5, 0x203F0001, false, 0, 1},
        {WM_KEYDOWN, 'A', 0, false, 0, 1},
        {0x0109, 0, 0, false, 0, 1}, // the last keyboard message
        {WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), false, 0, 1},
        {0x020D, 0, 0, false, 0, 1}, // the last mouse message
        {WM_PAINT, VK_F5, 0, false, 0, 0},
        {WM_TIMER, VK_F5, 0, false, 0, 0},
        {0x00FF, VK_F5, 0, false, 0, 0},
        {0x010A, VK_F5, 0, false, 0, 0},
        {0x01FF, VK_F5, 0, false, 0, 0},
        {0x020E, VK_F5, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        int refreshes = parent.refreshPage, forwards = g_forwarded;
        MSG msg = Message(hwnd, c.message, c.wParam, c.lParam);
        bool consumed = host.PreTranslateMessage(&msg);
        // Forwarded input is consumed only when the control translated it.
        if (c.consumed || c.forwards == 0) {
            EXPECT_EQ(consumed, c.consumed) << c.message;
        }
        EXPECT_EQ(parent.refreshPage - refreshes, c.refreshes) << c.message;
        EXPECT_EQ(g_forwarded - forwards, c.forwards) << c.message;
    }
    UnwatchForwards(hwnd);
}

TEST_F(BrowserHostTest, NoControlMeansNoBrowserAndNoEvents) {
    ParentWindow parent;
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"");
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(host.Browser(), nullptr);
    EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
    MSG key = Message(hwnd, WM_KEYDOWN, 'A');
    EXPECT_FALSE(host.PreTranslateMessage(&key));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(host.Window(), nullptr);
    EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
}

TEST_F(BrowserHostTest, DestroyedWithItsParent) {
    BrowserHost host;
    {
        ParentWindow parent;
        ASSERT_NE(host.Create(parent.Get(), L"about:blank"), nullptr);
        ASSERT_NE(host.Browser(), nullptr);
    }
    EXPECT_EQ(host.Window(), nullptr);
    EXPECT_EQ(host.Browser(), nullptr);
    EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
}

// Taken down while its own window still exists, in the order containers use.
TEST_F(BrowserHostTest, TearsTheControlDownInOrderAtDestroy) {
    testing_support::FakeBrowserClass fake;
    ParentWindow parent;
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"http://127.0.0.1/");
    ASSERT_NE(hwnd, nullptr);
    ASSERT_NE(host.Browser(), nullptr);
    EXPECT_EQ(fake.log, std::vector<std::wstring>{L"Navigate http://127.0.0.1/"});
    fake.log.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(fake.log, (std::vector<std::wstring>{L"InPlaceDeactivate", L"Unadvise", L"Close",
                                                   L"SetClientSite(null)", L"Release"}));
}

TEST_F(BrowserHostTest, FocusGoesOnToTheControlsWindow) {
    ParentWindow parent;
    ShowWindow(parent.Get(), SW_SHOW);
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    MoveWindow(hwnd, 0, 0, 300, 200, TRUE);
    SetFocus(hwnd);
    HWND focus = GetFocus();
    EXPECT_NE(focus, hwnd);
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(IsChild(hwnd, focus));
}

} // namespace
