// The control really asks for its page: a tiny HTTP listener on 127.0.0.1
// receives the request that the host's window text starts.
#include <winsock2.h>

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

class Listener {
  public:
    Listener() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        if (!started_) return;
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket_ == INVALID_SOCKET) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        int length = sizeof(address);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(socket_, 4) != 0 ||
            getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        if (started_) WSACleanup();
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int Port() const { return port_; }

    // Pumps the thread's messages until a request line arrives or time runs out.
    std::string WaitForRequest(DWORD timeoutMs) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            fd_set set;
            FD_ZERO(&set);
            FD_SET(socket_, &set);
            timeval wait{0, 50000};
            if (select(0, &set, nullptr, nullptr, &wait) != 1) continue;
            SOCKET client = accept(socket_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            std::string request = ReadHead(client);
            const char reply[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"
                                 "Content-Length: 13\r\n\r\n<html></html>";
            send(client, reply, static_cast<int>(sizeof(reply) - 1), 0);
            closesocket(client);
            if (!request.empty()) return request;
        }
        return std::string();
    }

  private:
    static std::string ReadHead(SOCKET client) {
        DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof(timeout));
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 16384) {
            int got = recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0) break;
            head.append(buffer, static_cast<size_t>(got));
        }
        return head;
    }

    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

using PageRequest = OleTest;

TEST_F(PageRequest, TheControlAsksForTheWindowTextsUrl) {
    Listener listener;
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
