// Real WinINet URL-cache entries, cleaned by pattern and through CleanCache.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <string>

#include "support/test_support.h"
#include "web/script_bridge.h"
#include "web/url_cache.h"

namespace {

// Adds a small cached file for url, as the browser would after a download.
bool AddCacheEntry(const std::wstring& url) {
    wchar_t file[MAX_PATH] = {};
    if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
    if (!testing_support::WriteFileBytes(file, "cached")) return false;
    FILETIME never{};
    return CommitUrlCacheEntryW(url.c_str(), file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0,
                                nullptr, nullptr) != FALSE;
}

bool InCache(const std::wstring& url) {
    DWORD bytes = 0;
    return GetUrlCacheEntryInfoW(url.c_str(), nullptr, &bytes) ||
           GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The first four carry the content-delivery domain, in any case.
// clang-format off
const wchar_t* const kUrls[] = {
    L"http://static.cdn.lumora.example/js/app.js", L"http://IMG.CDN.LUMORA.EXAMPLE/skin/bg.png",
    L"http://mirror.example.org/.cdn.lumora.example/path.css",
    L"http://mirror.example.org/get?host=x.Cdn.Lumora.Example&f=1",
    L"http://cdn.lumora.example/no-leading-dot.js", L"http://www.lumora.example/index.html",
    L"http://127.0.0.1/game", L"https://cdn.other.example/lib.js"};
// clang-format on

// Empty: the page's CleanCache, which drops the content-delivery domain.
TEST(UrlCacheTest, PatternsTable) {
    for (const wchar_t* pattern : {L".nowhere.example", L".CDN.LUMORA.EXAMPLE", L""}) {
        CleanUrlCache(L":"); // every entry's URL has a colon; the last step checks it empties
        for (const wchar_t* url : kUrls)
            ASSERT_TRUE(AddCacheEntry(url) && InCache(url)) << url;
        DISPPARAMS none{};
        EXPECT_TRUE(*pattern ? CleanUrlCache(pattern)
                             : ScriptBridge::Create(nullptr)->Invoke(
                                   DISPID_CLEANCACHE, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                   nullptr, nullptr) == S_OK)
            << pattern;
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(InCache(kUrls[k]), k >= 4 || (*pattern && pattern[1] == L'n'))
                << pattern << " " << kUrls[k];
    }
    CleanUrlCache(L":");
    EXPECT_FALSE(CleanUrlCache(L".cdn.lumora.example"));
    EXPECT_FALSE(CleanUrlCache(nullptr));
}

} // namespace
