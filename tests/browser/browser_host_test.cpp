// The browser host with the real control (which asks a local listener for
// its page) or the recording fake: its window, events, page objects, message
// filter and teardown.
#include "core/messages.h"
#include "web/ax_host.h"
#include "web/browser_host.h"
#include "web/host_ui_handler.h"

#include "browser/test_objects.h"
#include "support/fake_browser.h"
#include "support/test_support.h"

#include <exdispid.h>
#include <mshtmhst.h>

#include <string>

using testing_support::FireBrowserEvent;
using testing_support::RecordingWindow;

namespace {

// Counts what reaches the host window's accelerator forwarding.
int g_forwarded = 0;
WNDPROC g_nextProc = nullptr;

LRESULT CALLBACK CountForwards(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FORWARDMSG) ++g_forwarded;
    return CallWindowProcW(g_nextProc, hwnd, message, wParam, lParam);
}

using BrowserHostTest = OleTest;

// A host window with a URL gets the control, its events and the page's
// objects; one without gets none. Either way its window goes with the
// parent's, and the host lets go of everything then.
TEST_F(BrowserHostTest, CreatesTheControlAndThePageObjectsTable) {
    for (bool withUrl : {true, false}) {
        SCOPED_TRACE(withUrl);
        BrowserHost host;
        EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
        {
            RecordingWindow parent;
            HWND hwnd = host.Create(parent.Get(), withUrl ? L"about:blank" : L"");
            ASSERT_NE(hwnd, nullptr);
            EXPECT_EQ(host.Window(), hwnd);
            EXPECT_EQ(GetParent(hwnd), parent.Get());
            wchar_t className[32] = {};
            GetClassNameW(hwnd, className, 32);
            EXPECT_STREQ(className, L"AtlAxWin");
            EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & 0x50000000L, 0x50000000L);
            EXPECT_EQ(host.Browser() != nullptr, withUrl);
            win::ComPtr<IUnknown> control;
            EXPECT_EQ(AxGetControl(hwnd, control.Put()), withUrl ? S_OK : E_FAIL);
            EXPECT_EQ(host.Cookie() != BrowserHost::kNoCookie, withUrl);
            // The page's external object, whose StartGame reaches the parent.
            win::ComPtr<IUnknown> site;
            win::ComPtr<IDocHostUIHandler> ui;
            ASSERT_EQ(AxGetHost(hwnd, site.Put()), S_OK);
            ASSERT_EQ(site.As(ui), S_OK);
            win::ComPtr<IDispatch> external;
            EXPECT_EQ(ui->GetExternal(external.Put()), S_OK);
            ASSERT_TRUE(external);
            BSTR text = SysAllocString(LR"({"result":"ok","url":"http://h/"})");
            VARIANT arg;
            arg.vt = VT_BSTR;
            arg.bstrVal = text;
            DISPPARAMS params{&arg, nullptr, 1, 0};
            external->Invoke(100001, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                             nullptr);
            SysFreeString(text);
            EXPECT_EQ(parent.urls, std::vector<std::wstring>{L"http://h/"});
            DOCHOSTUIINFO info{};
            info.cbSize = sizeof(info);
            ui->GetHostInfo(&info);
            EXPECT_EQ(info.dwFlags, HostUiHandler::kHostFlags);
        }
        EXPECT_EQ(host.Window(), nullptr);
        EXPECT_EQ(host.Browser(), nullptr);
        EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
    }
}

TEST_F(BrowserHostTest, DocumentCompleteMakesTheControlSilentAndTellsTheParent) {
    RecordingWindow parent;
    BrowserHost host;
    ASSERT_NE(host.Create(parent.Get(), L"about:blank"), nullptr);
    ASSERT_NE(host.Browser(), nullptr);
    VARIANT_BOOL silent = VARIANT_TRUE;
    host.Browser()->put_Silent(VARIANT_FALSE);
    EXPECT_EQ(FireBrowserEvent(host.EventSink(), DISPID_DOCUMENTCOMPLETE), S_OK);
    EXPECT_EQ(parent.Count(WM_PAGE_LOADED), 1);
    ASSERT_EQ(host.Browser()->get_Silent(&silent), S_OK);
    EXPECT_EQ(silent, VARIANT_TRUE);
    // Frames complete too: one message for each; other events change nothing.
    for (DISPID id : {DISPID_DOCUMENTCOMPLETE, DISPID_NAVIGATEERROR, DISPID_NAVIGATECOMPLETE2})
        FireBrowserEvent(host.EventSink(), id);
    EXPECT_EQ(parent.Count(WM_PAGE_LOADED), 2);
    EXPECT_EQ(parent.received.size(), 2u);
}

// Key-down F5 (any modifiers) becomes one refresh; other keyboard and mouse
// input goes on to the control; nothing else is offered to it.
TEST_F(BrowserHostTest, MessagesOfferedToTheControlTable) {
    RecordingWindow parent;
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    g_nextProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountForwards)));
    // message, wParam, lParam, consumed, refreshes, forwards
    const LPARAM cases[][6] = {{WM_KEYDOWN, VK_F5, 0x003F0001, 1, 1, 0},
                               {WM_KEYUP, VK_F5, 0xC03F0001, 0, 0, 1},
                               {WM_SYSKEYDOWN, VK_F5, 0x203F0001, 0, 0, 1},
                               {WM_KEYDOWN, 'A', 0, 0, 0, 1},
                               {0x0109, 0, 0, 0, 0, 1}, // the last keyboard message
                               {WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, 0, 1},
                               {0x020D, 0, 0, 0, 0, 1}, // the last mouse message
                               {WM_PAINT, VK_F5, 0, 0, 0, 0},
                               {WM_TIMER, VK_F5, 0, 0, 0, 0},
                               {0x00FF, VK_F5, 0, 0, 0, 0},
                               {0x010A, VK_F5, 0, 0, 0, 0},
                               {0x01FF, VK_F5, 0, 0, 0, 0},
                               {0x020E, VK_F5, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        int refreshes = parent.Count(WM_REFRESH_PAGE), forwards = g_forwarded;
        MSG msg{hwnd, UINT(c[0]), WPARAM(c[1]), c[2], 0, {}};
        bool consumed = host.PreTranslateMessage(&msg);
        // Forwarded input is consumed only when the control translated it.
        EXPECT_TRUE((!c[3] && c[5]) || consumed == (c[3] != 0)) << c[0];
        EXPECT_EQ(parent.Count(WM_REFRESH_PAGE) - refreshes, c[4]) << c[0];
        EXPECT_EQ(g_forwarded - forwards, c[5]) << c[0];
    }
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_nextProc));
    // Without a control nothing is consumed.
    BrowserHost empty;
    MSG key{empty.Create(parent.Get(), L""), WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_FALSE(empty.PreTranslateMessage(&key));
}

// Taken down while its own window still exists, in the order containers use;
// the host navigates and refreshes the control it holds.
TEST_F(BrowserHostTest, NavigatesAndTearsTheControlDownInOrder) {
    testing_support::FakeBrowserClass fake;
    RecordingWindow parent;
    BrowserHost host;
    HWND hwnd = host.Create(parent.Get(), L"http://127.0.0.1/");
    ASSERT_NE(hwnd, nullptr);
    ASSERT_NE(host.Browser(), nullptr);
    host.Navigate(L"http://127.0.0.1/2");
    host.Refresh();
    EXPECT_EQ(fake.log, (std::vector<std::wstring>{L"Navigate http://127.0.0.1/",
                                                   L"Navigate2 http://127.0.0.1/2", L"Refresh"}));
    fake.log.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(fake.log, (std::vector<std::wstring>{L"InPlaceDeactivate", L"Unadvise", L"Close",
                                                   L"SetClientSite(null)", L"Release"}));
}

TEST_F(BrowserHostTest, FocusGoesOnToTheControlsWindow) {
    RecordingWindow parent;
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
