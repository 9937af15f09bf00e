// Hosting the browser: the host window class with the real control, the UI
// handler that the launcher installs in it, and the browser host with the
// real control (its window, events, page objects and message filter).
#include "core/messages.h"
#include "web/ax_host.h"
#include "web/ax_host_interfaces.h"
#include "web/browser_host.h"
#include "web/host_ui_handler.h"
#include "web/script_bridge.h"
#include "win/com_ptr.h"
#include "win/com_scoped.h"

#include "support/fake_browser.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>

#include <functional>
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

// A host window with a URL gets the real control and its events, one without
// gets neither. The control fills the host, follows its size and takes its
// focus; a completed document, frames too, makes it silent and tells the
// parent. The window goes with the parent's, and the host, held past it,
// lets go of the control, the window and the page's objects. Key-down F5
// (any modifiers) becomes one refresh; other keyboard and mouse input goes on
// to the control, which may consume it; nothing else is offered to it.
TEST(BrowserHostTest, CreatesTheControlAndThePageObjectsTable) {
    win::OleInit ole(OleInitialize(nullptr));
    const long bridges = ScriptBridge::LiveCount();
    for (bool withUrl : {true, false}) {
        SCOPED_TRACE(withUrl);
        BrowserHost host;
        EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
        win::ComPtr<IUnknown> site, identity;
        win::ComPtr<IOleInPlaceSite> inPlaceSite;
        win::ComPtr<IAxWinHostWindow> axHost;
        HWND reported = nullptr;
        {
            RecordingWindow parent;
            ShowWindow(parent.Get(), SW_SHOW);
            HWND hwnd = host.Create(parent.Get(), withUrl ? L"about:blank" : L"");
            ASSERT_NE(hwnd, nullptr);
            EXPECT_EQ(host.Window(), hwnd);
            EXPECT_EQ(GetParent(hwnd), parent.Get());
            wchar_t className[32] = {};
            GetClassNameW(hwnd, className, 32);
            EXPECT_STREQ(className, L"AtlAxWin");
            EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & 0x50000000L, 0x50000000L);
            EXPECT_EQ(host.Browser() != nullptr, withUrl);
            EXPECT_EQ(host.Cookie() != BrowserHost::kNoCookie, withUrl);
            win::ComPtr<IUnknown> control;
            EXPECT_EQ(AxGetControl(hwnd, control.Put()), withUrl ? S_OK : E_FAIL);
            EXPECT_EQ(control.Get(),
                      reinterpret_cast<IUnknown*>(SendMessageW(hwnd, AxGetControlMessage(), 0, 0)));
            // The host is one COM object behind its interfaces.
            ASSERT_TRUE(AxGetHost(hwnd, site.Put()) == S_OK && site.As(inPlaceSite) == S_OK &&
                        inPlaceSite.As(axHost) == S_OK && axHost.As(identity) == S_OK);
            EXPECT_EQ(identity.Get(), site.Get());
            EXPECT_EQ(inPlaceSite->GetWindow(&reported), S_OK);
            EXPECT_EQ(reported, hwnd);
            DWORD cookie = 0; // no source, and a cookie the control never gave
            EXPECT_EQ(ConnectEvents(nullptr, DIID_DWebBrowserEvents2, site.Get(), &cookie),
                      E_POINTER);
            EXPECT_NE(DisconnectEvents(control.Get(), DIID_DWebBrowserEvents2, 77), S_OK);
            MoveWindow(hwnd, 0, 0, 300, 200, TRUE);
            SetFocus(hwnd);
            HWND focus = GetFocus();
            RECT rect{};
            GetClientRect(focus, &rect);
            EXPECT_EQ(IsChild(hwnd, focus) != FALSE, withUrl);
            EXPECT_TRUE(!withUrl || (rect.right == 300 && rect.bottom == 200));
            if (withUrl) host.Browser()->put_Silent(VARIANT_FALSE);
            for (DISPID id : {DISPID_DOCUMENTCOMPLETE, DISPID_NAVIGATEERROR,
                              DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE})
                EXPECT_EQ(FireBrowserEvent(host.EventSink(), id), S_OK);
            EXPECT_EQ(parent.Count(WM_PAGE_LOADED), 2);
            EXPECT_EQ(parent.received.size(), 2u);
            VARIANT_BOOL silent = VARIANT_FALSE;
            EXPECT_TRUE(!withUrl || (host.Browser()->get_Silent(&silent) == S_OK && silent));
            g_nextProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountForwards)));
            // message, wParam, lParam, consumed, refreshes, forwards; 0x0109 and 0x020D: the
            // last keyboard and mouse messages
            // clang-format off
            const LPARAM cases[][6] = {{WM_KEYDOWN, VK_F5, 0x003F0001, 1, 1, 0},
                {WM_KEYUP, VK_F5, 0xC03F0001, 0, 0, 1}, {WM_SYSKEYDOWN, VK_F5, 0x203F0001, 0, 0, 1},
                {WM_KEYDOWN, 'A', 0, 0, 0, 1}, {0x0109, 0, 0, 0, 0, 1},
                {WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, 0, 1}, {0x020D, 0, 0, 0, 0, 1},
                {WM_PAINT, VK_F5, 0, 0, 0, 0}, {0x00FF, VK_F5, 0, 0, 0, 0},
                {0x010A, VK_F5, 0, 0, 0, 0}, {0x01FF, VK_F5, 0, 0, 0, 0}, {0x020E, VK_F5, 0, 0, 0, 0}};
            // clang-format on
            for (const auto& c : cases) {
                int refreshes = parent.Count(WM_REFRESH_PAGE), forwards = g_forwarded;
                MSG msg{hwnd, UINT(c[0]), WPARAM(c[1]), c[2], 0, {}};
                bool consumed = host.PreTranslateMessage(&msg);
                EXPECT_TRUE((withUrl && !c[3] && c[5]) || consumed == (c[3] != 0)) << c[0];
                EXPECT_EQ(parent.Count(WM_REFRESH_PAGE) - refreshes, c[4]) << c[0];
                EXPECT_EQ(g_forwarded - forwards, c[5]) << c[0];
            }
        }
        EXPECT_EQ(host.Window(), nullptr);
        EXPECT_EQ(host.Browser(), nullptr);
        EXPECT_EQ(host.Cookie(), BrowserHost::kNoCookie);
        win::ComPtr<IUnknown> control;
        EXPECT_EQ(axHost->QueryControl(IID_IUnknown, control.PutVoid()), E_NOINTERFACE);
        EXPECT_EQ(inPlaceSite->GetWindow(&reported), E_FAIL);
        EXPECT_EQ(reported, nullptr);
        EXPECT_EQ(site.Get()->AddRef(), 5u); // only the test's four references are left
        EXPECT_EQ(site.Get()->Release(), 4u);
    }
    EXPECT_EQ(ScriptBridge::LiveCount(), bridges);
}

// What the control asks a bare host and the browser host's, which has the
// launcher's handler; E_NOTIMPL from the handler falls back to the host's
// defaults. The handler's external object is the page's, whose StartGame
// reaches the parent.
TEST(AxHost, HandlerQuestionsTable) {
    win::OleInit ole(OleInitialize(nullptr));
    ASSERT_TRUE(AxHostRegister());
    RecordingWindow parent;
    BrowserHost browserHost;
    HWND hosts[] = {CreateWindowExW(0, kAxHostClassName, L"", WS_POPUP, 0, 0, 40, 30, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr),
                    browserHost.Create(parent.Get(), L"")};
    win::ComPtr<IDocHostUIHandler> ui;
    POINT pt{10, 10};
    MSG msg{hosts[0], WM_KEYDOWN, 'A', 0, 0, {}};
    wchar_t in[] = L"http://127.0.0.1/";
    LPWSTR url = nullptr;
    IDispatch* got = nullptr;
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    // clang-format off
    struct Row {
        std::function<HRESULT()> ask;
        HRESULT without, with;
    } rows[] = {{[&] { return ui->ShowContextMenu(0, &pt, nullptr, nullptr); }, S_FALSE, S_OK},
        {[&] { return ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr); }, S_FALSE, S_FALSE},
        {[&] { return ui->HideUI(); }, S_OK, S_OK}, {[&] { return ui->UpdateUI(); }, S_OK, S_OK},
        {[&] { return ui->TranslateAccelerator(&msg, nullptr, 0); }, S_FALSE, S_FALSE},
        {[&] { return ui->TranslateUrl(0, in, &url); }, S_FALSE, S_FALSE},
        {[&] { return ui->GetExternal(nullptr); }, E_POINTER, E_POINTER},
        {[&] { return ui->GetExternal(&got); }, S_FALSE, S_OK},
        {[&] { return ui->GetHostInfo(&info); }, S_OK, S_OK}};
    // clang-format on
    for (bool installed : {false, true}) {
        win::ComPtr<IUnknown> host;
        ASSERT_TRUE(AxGetHost(hosts[installed], host.Put()) == S_OK && host.As(ui) == S_OK);
        url = reinterpret_cast<LPWSTR>(1);
        got = reinterpret_cast<IDispatch*>(1);
        info.dwFlags = 1; // what the control brings is kept
        info.dwDoubleClick = 2;
        for (const Row& row : rows)
            EXPECT_EQ(row.ask(), installed ? row.with : row.without) << &row - rows << installed;
        EXPECT_EQ(url, nullptr);
        EXPECT_EQ(got != nullptr, installed);
        EXPECT_EQ(info.dwFlags, installed ? HostUiHandler::kHostFlags | 1 : 0u);
        EXPECT_EQ(info.dwDoubleClick, installed ? 0u : DWORD(DOCHOSTUIDBLCLK_DEFAULT));
    }
    auto external = win::ComPtr<IDispatch>::Adopt(got);
    ASSERT_TRUE(external);
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(LR"({"result":"ok","url":"http://h/"})");
    DISPPARAMS params{&arg, nullptr, 1, 0};
    external->Invoke(DISPID_STARTGAME, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
    VariantClear(&arg);
    EXPECT_EQ(parent.urls, std::vector<std::wstring>{L"http://h/"});
    EXPECT_TRUE(DestroyWindow(hosts[0]));
}

} // namespace
