// Hosting the browser: the host window class with the real control, the UI
// handler that the launcher installs in it, and the browser host with the
// real control or the recording fake (its window, events, page objects,
// message filter and teardown).
#include "core/messages.h"
#include "web/ax_host.h"
#include "web/ax_host_interfaces.h"
#include "web/browser_host.h"
#include "web/host_ui_handler.h"
#include "win/com_ptr.h"

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

// Stands in for the page's external object.
class CountedDispatch final : public IDispatch {
  public:
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
        return *ppv ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; } // on the stack, never deleted
    // clang-format off
    NOT_IMPL(GetTypeInfoCount, UINT*); NOT_IMPL(GetTypeInfo, UINT, LCID, ITypeInfo**);
    NOT_IMPL(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
    NOT_IMPL(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
    // clang-format on
};

class OleTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

HWND CreateHostWindow(const wchar_t* text) {
    return CreateWindowExW(0, kAxHostClassName, text, WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

using AxHost = OleTest;
using BrowserHostTest = OleTest;

TEST_F(AxHost, UrlTextCreatesTheBrowserControl) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    auto* borrowed = reinterpret_cast<IUnknown*>(SendMessageW(hwnd, AxGetControlMessage(), 0, 0));
    win::ComPtr<IUnknown> control;
    win::ComPtr<IWebBrowser2> browser;
    ASSERT_TRUE(AxGetControl(hwnd, control.Put()) == S_OK && control.As(browser) == S_OK);
    EXPECT_EQ(control.Get(), borrowed);
    // The control lies over the host's client area and follows its size.
    MoveWindow(hwnd, 0, 0, 300, 200, TRUE);
    win::ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(control.As(inPlace), S_OK);
    HWND controlWindow = nullptr;
    RECT rect{};
    if (SUCCEEDED(inPlace->GetWindow(&controlWindow)) && controlWindow) {
        GetClientRect(controlWindow, &rect);
        EXPECT_EQ(rect.right, 300);
        EXPECT_EQ(rect.bottom, 200);
    }
    // The host is one COM object behind all of its interfaces.
    win::ComPtr<IUnknown> host, identity;
    win::ComPtr<IOleInPlaceSite> inPlaceSite;
    win::ComPtr<IDocHostUIHandler> ui;
    ASSERT_TRUE(AxGetHost(hwnd, host.Put()) == S_OK && host.As(inPlaceSite) == S_OK &&
                inPlaceSite.As(ui) == S_OK && ui.As(identity) == S_OK);
    EXPECT_EQ(identity.Get(), host.Get());
    HWND reported = nullptr;
    EXPECT_EQ(inPlaceSite->GetWindow(&reported), S_OK);
    EXPECT_EQ(reported, hwnd);
    DWORD cookie = 0; // no source, and a cookie the control never gave
    EXPECT_EQ(ConnectEvents(nullptr, DIID_DWebBrowserEvents2, host.Get(), &cookie), E_POINTER);
    EXPECT_NE(DisconnectEvents(control.Get(), DIID_DWebBrowserEvents2, 77), S_OK);
    // Held past its window, the host lets go of the control.
    win::ComPtr<IAxWinHostWindow> axHost;
    ASSERT_EQ(host.As(axHost), S_OK);
    control.Reset();
    browser.Reset();
    inPlace.Reset();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(axHost->QueryControl(IID_IUnknown, control.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(control);
    EXPECT_EQ(inPlaceSite->GetWindow(&reported), E_FAIL);
    EXPECT_EQ(reported, nullptr);
    inPlaceSite.Reset();
    axHost.Reset();
    ui.Reset();
    identity.Reset();
    EXPECT_EQ(host.Get()->AddRef(), 2u);
    EXPECT_EQ(host.Get()->Release(), 1u);
}

// What the control asks the host, before and after the launcher's handler is
// installed; E_NOTIMPL from the handler falls back to the host's defaults.
TEST_F(AxHost, HandlerQuestionsTable) {
    ASSERT_TRUE(AxHostRegister());
    CountedDispatch external;
    HWND hwnd = CreateHostWindow(L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    win::ComPtr<IUnknown> host;
    win::ComPtr<IDocHostUIHandler> ui;
    ASSERT_TRUE(AxGetHost(hwnd, host.Put()) == S_OK && host.As(ui) == S_OK);
    POINT pt{10, 10};
    MSG msg{hwnd, WM_KEYDOWN, 'A', 0, 0, {}};
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
        if (installed) {
            auto handler = CreateHostUiHandler(&external);
            win::ComPtr<IAxWinHostWindow> axHost;
            ASSERT_EQ(host.As(axHost), S_OK);
            EXPECT_EQ(axHost->SetExternalUIHandler(handler.Get()), S_OK);
        } // the host keeps its own reference
        url = reinterpret_cast<LPWSTR>(1);
        got = reinterpret_cast<IDispatch*>(1);
        info.dwFlags = 1; // what the control brings is kept
        info.dwDoubleClick = 2;
        for (const Row& row : rows)
            EXPECT_EQ(row.ask(), installed ? row.with : row.without) << &row - rows << installed;
        EXPECT_EQ(url, nullptr);
        EXPECT_EQ(got, installed ? &external : nullptr);
        if (installed && got) got->Release();
        EXPECT_EQ(info.dwFlags, installed ? HostUiHandler::kHostFlags | 1 : 0u);
        EXPECT_EQ(info.dwDoubleClick, installed ? 0u : DWORD(DOCHOSTUIDBLCLK_DEFAULT));
    }
    ui.Reset();
    host.Reset();
    EXPECT_TRUE(DestroyWindow(hwnd));
    // Window, host and handler are gone: only our own reference is left.
    EXPECT_EQ(external.refs, 1u);
}

TEST(HostUiHandler, OneIdentityAndCountedReferences) {
    CountedDispatch external;
    auto handler = CreateHostUiHandler(&external);
    ASSERT_TRUE(handler);
    EXPECT_EQ(external.refs, 2u);
    win::ComPtr<IUnknown> unknown, back;
    ASSERT_EQ(handler->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    for (REFIID iid : {IID_IDispatch, __uuidof(IDocHostUIHandlerDispatch)}) {
        win::ComPtr<IUnknown> other;
        ASSERT_TRUE(handler->QueryInterface(iid, other.PutVoid()) == S_OK &&
                    other.As(back) == S_OK);
        EXPECT_EQ(back.Get(), unknown.Get());
    }
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler->QueryInterface(IID_IOleClientSite, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    back.Reset();
    unknown.Reset();
    // An extra reference from the factory or a query keeps the external object.
    handler.Reset();
    EXPECT_EQ(external.refs, 1u);
    // Without an external object null is handed out.
    IDispatch* none = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(CreateHostUiHandler(nullptr)->GetExternal(&none), S_OK);
    EXPECT_EQ(none, nullptr);
}

// Counts what reaches the host window's accelerator forwarding.
int g_forwarded = 0;
WNDPROC g_nextProc = nullptr;

LRESULT CALLBACK CountForwards(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FORWARDMSG) ++g_forwarded;
    return CallWindowProcW(g_nextProc, hwnd, message, wParam, lParam);
}

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
    // message, wParam, lParam, consumed, refreshes, forwards; 0x0109 and 0x020D: the last
    // keyboard and mouse messages
    // clang-format off
    const LPARAM cases[][6] = {{WM_KEYDOWN, VK_F5, 0x003F0001, 1, 1, 0},
        {WM_KEYUP, VK_F5, 0xC03F0001, 0, 0, 1}, {WM_SYSKEYDOWN, VK_F5, 0x203F0001, 0, 0, 1},
        {WM_KEYDOWN, 'A', 0, 0, 0, 1}, {0x0109, 0, 0, 0, 0, 1},
        {WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), 0, 0, 1}, {0x020D, 0, 0, 0, 0, 1},
        {WM_PAINT, VK_F5, 0, 0, 0, 0}, {WM_TIMER, VK_F5, 0, 0, 0, 0}, {0x00FF, VK_F5, 0, 0, 0, 0},
        {0x010A, VK_F5, 0, 0, 0, 0}, {0x01FF, VK_F5, 0, 0, 0, 0}, {0x020E, VK_F5, 0, 0, 0, 0}};
    // clang-format on
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
