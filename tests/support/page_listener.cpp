#include "support/page_listener.h"
#include "support/test_support.h"

namespace testing_support {

PageListener::PageListener() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (!started_) return;
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(socket_, 4) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

PageListener::~PageListener() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
}

std::string PageListener::WaitForRequest(DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
        Pump(0);
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval wait{0, 50000};
        if (select(0, &set, nullptr, nullptr, &wait) != 1) continue;
        SOCKET client = accept(socket_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof(timeout));
        std::string head;
        char buffer[1024];
        for (int got = 1;
             got > 0 && head.find("\r\n\r\n") == std::string::npos && head.size() < 16384;) {
            got = recv(client, buffer, sizeof(buffer), 0);
            if (got > 0) head.append(buffer, static_cast<size_t>(got));
        }
        const char reply[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"
                             "Content-Length: 13\r\n\r\n<html></html>";
        send(client, reply, static_cast<int>(sizeof(reply) - 1), 0);
        closesocket(client);
        if (!head.empty()) return head;
    }
    return std::string();
}

} // namespace testing_support
