// The control really asks for its page: a tiny HTTP listener on 127.0.0.1
// receives the request that the host's window text starts.
#include "support/page_listener.h"

#include "web/ax_host.h"
#include "web/browser_host.h"
#include "web/ax_host.h"
#include "web/browser_host.h"
#include "win/com_ptr.h"

#include "browser/test_objects.h"

#include <exdisp.h>

#include <string>

namespace {

INT_PTR CALLBACK EmptyDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

using AxDialog = OleTest;

TEST_F(AxDialog, TemplateHostWindowsGetTheirControl) {
    HWND dialog = CreateAxDialog(GetModuleHandleW(nullptr), 300, nullptr, EmptyDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND item = GetDlgItem(dialog, 301);
    ASSERT_NE(item, nullptr);
    wchar_t className[32] = {};
    GetClassNameW(item, className, 32);
    EXPECT_STREQ(className, L"AtlAxWin");
    win::ComPtr<IUnknown> control;
    ASSERT_EQ(AxGetControl(item, control.Put()), S_OK);
    win::ComPtr<IWebBrowser2> browser;
    EXPECT_EQ(control.As(browser), S_OK);
    browser.Reset();
    control.Reset();
    EXPECT_TRUE(DestroyWindow(dialog));
}

using PageRequest = OleTest;

TEST_F(PageRequest, TheControlAsksForTheWindowTextsUrl) {
    testing_support::PageListener listener;
    ASSERT_NE(listener.Port(), 0);
    ParentWindow parent;
    BrowserHost host;
    std::wstring url =
        L"http://127.0.0.1:" + std::to_wstring(listener.Port()) + L"/start?version=2&fn=test";
    ASSERT_NE(host.Create(parent.Get(), url.c_str()), nullptr);
    ASSERT_NE(host.Browser(), nullptr);
    std::string request = listener.WaitForRequest(20000);
    EXPECT_EQ(request.rfind("GET /start?version=2&fn=test HTTP/1.", 0), 0u) << request;
    DestroyWindow(host.Window());
}

} // namespace
