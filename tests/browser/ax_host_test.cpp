#include "web/ax_host.h"
#include "web/ax_host_interfaces.h"
#include "web/host_ui_handler.h"
#include "win/com_ptr.h"

#include "browser/test_objects.h"

#include <exdisp.h>
#include <mshtmhst.h>

namespace {

HWND CreateHostWindow(const wchar_t* text) {
    return CreateWindowExW(0, kAxHostClassName, text, WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

using AxHost = OleTest;

TEST_F(AxHost, RegistersClassAndMessagesOnce) {
    ASSERT_TRUE(AxHostRegister());
    ASSERT_TRUE(AxHostRegister());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"AtlAxWin", &wc));
    EXPECT_EQ(AxGetHostMessage(), RegisterWindowMessageW(L"WM_ATLGETHOST"));
    EXPECT_EQ(AxGetControlMessage(), RegisterWindowMessageW(L"WM_ATLGETCONTROL"));
}

TEST_F(AxHost, UrlTextCreatesTheBrowserControl) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    auto* borrowed = reinterpret_cast<IUnknown*>(SendMessageW(hwnd, AxGetControlMessage(), 0, 0));
    ASSERT_NE(borrowed, nullptr);
    win::ComPtr<IUnknown> control;
    ASSERT_EQ(AxGetControl(hwnd, control.Put()), S_OK);
    EXPECT_EQ(control.Get(), borrowed);
    win::ComPtr<IWebBrowser2> browser;
    ASSERT_EQ(control.As(browser), S_OK);
    // The control lies over the host's client area and follows its size.
    MoveWindow(hwnd, 0, 0, 300, 200, TRUE);
    win::ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(control.As(inPlace), S_OK);
    HWND controlWindow = nullptr;
    if (SUCCEEDED(inPlace->GetWindow(&controlWindow)) && controlWindow) {
        RECT rect{};
        GetClientRect(controlWindow, &rect);
        EXPECT_EQ(rect.right, 300);
        EXPECT_EQ(rect.bottom, 200);
    }
    // The host is one COM object behind all of its interfaces.
    win::ComPtr<IUnknown> host;
    ASSERT_EQ(AxGetHost(hwnd, host.Put()), S_OK);
    win::ComPtr<IOleInPlaceSite> inPlaceSite;
    ASSERT_EQ(host.As(inPlaceSite), S_OK);
    win::ComPtr<IDocHostUIHandler> ui;
    ASSERT_EQ(inPlaceSite.As(ui), S_OK);
    win::ComPtr<IUnknown> identity;
    ASSERT_EQ(ui.As(identity), S_OK);
    EXPECT_EQ(identity.Get(), host.Get());
    HWND reported = nullptr;
    EXPECT_EQ(inPlaceSite->GetWindow(&reported), S_OK);
    EXPECT_EQ(reported, hwnd);
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST_F(AxHost, EmptyTextHostsNoControl) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"");
    ASSERT_NE(hwnd, nullptr);
    win::ComPtr<IUnknown> control;
    EXPECT_EQ(AxGetControl(hwnd, control.Put()), E_FAIL);
    EXPECT_FALSE(control);
    win::ComPtr<IUnknown> host;
    EXPECT_EQ(AxGetHost(hwnd, host.Put()), S_OK);
    EXPECT_TRUE(host);
    MSG msg{hwnd, WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_EQ(SendMessageW(hwnd, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(&msg)), 0);
    host.Reset();
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST_F(AxHost, InstalledHandlerAnswersTheControlsQuestions) {
    ASSERT_TRUE(AxHostRegister());
    CountedDispatch external;
    {
        HWND hwnd = CreateHostWindow(L"about:blank");
        ASSERT_NE(hwnd, nullptr);
        win::ComPtr<IUnknown> host;
        ASSERT_EQ(AxGetHost(hwnd, host.Put()), S_OK);
        win::ComPtr<IDocHostUIHandler> ui;
        ASSERT_EQ(host.As(ui), S_OK);

        // Without a handler the host's own defaults apply.
        DOCHOSTUIINFO info{};
        info.cbSize = sizeof(info);
        EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.dwFlags, 0u);
        POINT pt{10, 10};
        EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_FALSE);
        IDispatch* none = reinterpret_cast<IDispatch*>(1);
        ui->GetExternal(&none);
        EXPECT_EQ(none, nullptr);

        auto handler = CreateHostUiHandler(&external);
        ASSERT_TRUE(handler);
        win::ComPtr<IAxWinHostWindow> axHost;
        ASSERT_EQ(host.As(axHost), S_OK);
        EXPECT_EQ(axHost->SetExternalUIHandler(handler.Get()), S_OK);
        axHost.Reset();
        handler.Reset(); // the host keeps its own reference

        IDispatch* got = nullptr;
        EXPECT_EQ(ui->GetExternal(&got), S_OK);
        EXPECT_EQ(got, &external);
        if (got) got->Release();
        EXPECT_EQ(ui->GetExternal(nullptr), E_POINTER);

        info = DOCHOSTUIINFO{};
        info.cbSize = sizeof(info);
        info.dwDoubleClick = 2;
        EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
        EXPECT_EQ(info.dwFlags, 0x0004000Cu);
        EXPECT_EQ(info.dwDoubleClick, 0u);
        EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);

        // E_NOTIMPL from the handler falls back to the host's defaults.
        EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
        EXPECT_EQ(ui->HideUI(), S_OK);
        EXPECT_EQ(ui->UpdateUI(), S_OK);
        MSG msg{hwnd, WM_KEYDOWN, 'A', 0, 0, {}};
        EXPECT_EQ(ui->TranslateAccelerator(&msg, nullptr, 0), S_FALSE);
        LPWSTR url = reinterpret_cast<LPWSTR>(1);
        wchar_t in[] = L"http://127.0.0.1/";
        EXPECT_EQ(ui->TranslateUrl(0, in, &url), S_FALSE);
        EXPECT_EQ(url, nullptr);

        ui.Reset();
        host.Reset();
        EXPECT_TRUE(DestroyWindow(hwnd));
    }
    // Window, host and handler are gone: only our own reference is left.
    EXPECT_EQ(external.refs, 1u);
}

TEST_F(AxHost, HostHeldPastItsWindowLetsGoOfTheControl) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    win::ComPtr<IUnknown> host;
    ASSERT_EQ(AxGetHost(hwnd, host.Put()), S_OK);
    win::ComPtr<IAxWinHostWindow> axHost;
    ASSERT_EQ(host.As(axHost), S_OK);
    EXPECT_TRUE(DestroyWindow(hwnd));
    win::ComPtr<IUnknown> control;
    EXPECT_EQ(axHost->QueryControl(IID_IUnknown, control.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(control);
    win::ComPtr<IOleInPlaceSite> site;
    ASSERT_EQ(host.As(site), S_OK);
    HWND reported = reinterpret_cast<HWND>(1);
    EXPECT_EQ(site->GetWindow(&reported), E_FAIL);
    EXPECT_EQ(reported, nullptr);
    site.Reset();
    axHost.Reset();
    EXPECT_EQ(host.Get()->AddRef(), 2u);
    EXPECT_EQ(host.Get()->Release(), 1u);
}

TEST_F(AxHost, ConnectedSinkReceivesTheControlsEvents) {
    ASSERT_TRUE(AxHostRegister());
    HWND hwnd = CreateHostWindow(L"about:blank");
    ASSERT_NE(hwnd, nullptr);
    win::ComPtr<IUnknown> control;
    ASSERT_EQ(AxGetControl(hwnd, control.Put()), S_OK);
    CountedDispatch counter;
    DWORD cookie = 0;
    ASSERT_EQ(ConnectEvents(control.Get(), DIID_DWebBrowserEvents2, &counter, &cookie), S_OK);

    win::ComPtr<IWebBrowser2> browser;
    ASSERT_EQ(control.As(browser), S_OK);
    BSTR url = SysAllocString(L"http://127.0.0.1:1/");
    VARIANT empty;
    VariantInit(&empty);
    browser->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
    DWORD start = GetTickCount();
    while (counter.invokes == 0 && GetTickCount() - start < 10000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    EXPECT_GT(counter.invokes, 0);

    EXPECT_EQ(DisconnectEvents(control.Get(), DIID_DWebBrowserEvents2, cookie), S_OK);
    EXPECT_NE(DisconnectEvents(control.Get(), DIID_DWebBrowserEvents2, cookie), S_OK);
    EXPECT_EQ(ConnectEvents(nullptr, DIID_DWebBrowserEvents2, &counter, &cookie), E_POINTER);
    browser.Reset();
    control.Reset();
    EXPECT_TRUE(DestroyWindow(hwnd));
}

} // namespace
