// A one-shot HTTP listener on 127.0.0.1 that answers every request with an
// empty page and hands back the request head, for tests that only need to
// see what a browser or the launcher asked for.
#pragma once

#include <winsock2.h>

#include <string>

namespace testing_support {

class PageListener {
  public:
    PageListener();
    ~PageListener();
    PageListener(const PageListener&) = delete;
    PageListener& operator=(const PageListener&) = delete;
    int Port() const { return port_; }
    // Waits for one request (pumping this thread's messages meanwhile) and
    // returns its head, or an empty text when none came in time.
    std::string WaitForRequest(DWORD timeoutMs);

  private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

} // namespace testing_support
