// The host window class with the real browser control, and the UI handler
// that the launcher installs in it.
#include "core/messages.h"
#include "web/ax_host.h"
#include "web/ax_host_interfaces.h"
#include "web/host_ui_handler.h"
#include "win/com_ptr.h"

#include "browser/test_objects.h"

#include <exdisp.h>
#include <mshtmhst.h>

#include <functional>

namespace {

HWND CreateHostWindow(const wchar_t* text) {
    return CreateWindowExW(0, kAxHostClassName, text, WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

using AxHost = OleTest;

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
    EXPECT_TRUE(DestroyWindow(hwnd));
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
    struct Row {
        const char* name;
        std::function<HRESULT()> ask;
        HRESULT without, with;
    } rows[] = {
        {"ShowContextMenu", [&] { return ui->ShowContextMenu(0, &pt, nullptr, nullptr); }, S_FALSE,
         S_OK},
        {"ShowUI", [&] { return ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr); }, S_FALSE,
         S_FALSE},
        {"HideUI", [&] { return ui->HideUI(); }, S_OK, S_OK},
        {"UpdateUI", [&] { return ui->UpdateUI(); }, S_OK, S_OK},
        {"TranslateAccelerator", [&] { return ui->TranslateAccelerator(&msg, nullptr, 0); },
         S_FALSE, S_FALSE},
        {"TranslateUrl", [&] { return ui->TranslateUrl(0, in, &url); }, S_FALSE, S_FALSE},
        {"GetExternal(null)", [&] { return ui->GetExternal(nullptr); }, E_POINTER, E_POINTER},
        {"GetExternal", [&] { return ui->GetExternal(&got); }, S_FALSE, S_OK},
        {"GetHostInfo", [&] { return ui->GetHostInfo(&info); }, S_OK, S_OK},
    };
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
            EXPECT_EQ(row.ask(), installed ? row.with : row.without) << row.name << installed;
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

TEST_F(AxHost, HostHeldPastItsWindowLetsGoOfTheControl) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"about:blank");
    win::ComPtr<IUnknown> host, control;
    win::ComPtr<IAxWinHostWindow> axHost;
    win::ComPtr<IOleInPlaceSite> site;
    ASSERT_TRUE(AxGetHost(hwnd, host.Put()) == S_OK && host.As(axHost) == S_OK &&
                host.As(site) == S_OK);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(axHost->QueryControl(IID_IUnknown, control.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(control);
    HWND reported = reinterpret_cast<HWND>(1);
    EXPECT_EQ(site->GetWindow(&reported), E_FAIL);
    EXPECT_EQ(reported, nullptr);
    site.Reset();
    axHost.Reset();
    EXPECT_EQ(host.Get()->AddRef(), 2u);
    EXPECT_EQ(host.Get()->Release(), 1u);
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

} // namespace
