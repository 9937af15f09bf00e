// The launcher's one HTTP client operation: a HEAD for the length, then a
// GET of the body into one buffer, both over WinINet.
#pragma once

#include <windows.h>

#include <wininet.h>

#include <memory>

#include "win/scoped.h"

namespace win {
struct InetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { InternetCloseHandle(h); }
};
using InetHandle = Scoped<InetHandleTraits>;
} // namespace win

extern const wchar_t kHttpAgent[];

// Fetches an absolute plain-HTTP URL. On success returns a buffer of
// Content-Length + 1 bytes whose received bytes are followed by a zero byte,
// and stores the number received in length; on failure returns null and
// leaves length untouched.
std::unique_ptr<char[]> HttpFetch(const wchar_t* url, DWORD* length);

// Sends the request up to attempts times until it is answered with 200.
bool SendRequestWithRetry(HINTERNET request, int attempts);
