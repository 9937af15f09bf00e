// Owners for WinINet handles: sessions, connections and requests, and the
// enumeration of the URL cache, each closed with its own function.
#pragma once

#include <windows.h>

#include <wininet.h>

#include "win/scoped.h"

namespace win {

struct InetHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { InternetCloseHandle(h); }
};
using InetHandle = Scoped<InetHandleTraits>;

struct UrlCacheFindTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { FindCloseUrlCache(h); }
};
using UniqueUrlCacheFind = Scoped<UrlCacheFindTraits>;

} // namespace win
