// Real WinINet URL-cache entries, cleaned by pattern and through CleanCache.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "web/script_bridge.h"
#include "web/url_cache.h"
#include "win/com_ptr.h"
#include "win/inet.h"

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

// Every entry of the cache, read the plain way with a generous buffer.
std::vector<std::wstring> AllEntries() {
    std::vector<std::wstring> urls;
    std::vector<unsigned char> buffer(64 * 1024);
    DWORD bytes = static_cast<DWORD>(buffer.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    win::UniqueUrlCacheFind find(FindFirstUrlCacheEntryW(nullptr, entry, &bytes));
    for (bool more = bool(find); more; more = FindNextUrlCacheEntryW(find.Get(), entry, &bytes)) {
        if (entry->lpszSourceUrlName) urls.push_back(entry->lpszSourceUrlName);
        bytes = static_cast<DWORD>(buffer.size());
    }
    return urls;
}

void EmptyCache() {
    for (const std::wstring& url : AllEntries())
        DeleteUrlCacheEntryW(url.c_str());
}

const wchar_t* const kMatching[] = {
    L"http://static.cdn.lumora.example/js/app.js",
    L"http://IMG.CDN.LUMORA.EXAMPLE/skin/bg.png",
    L"http://mirror.example.org/.cdn.lumora.example/path.css",
    L"http://mirror.example.org/get?host=x.Cdn.Lumora.Example&f=1",
};
const wchar_t* const kOthers[] = {
    L"http://cdn.lumora.example/no-leading-dot.js",
    L"http://www.lumora.example/index.html",
    L"http://127.0.0.1/game",
    L"https://cdn.other.example/lib.js",
};

class UrlCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EmptyCache();
        for (const auto* list : {kMatching, kOthers})
            for (int k = 0; k < 4; ++k)
                ASSERT_TRUE(AddCacheEntry(list[k]) && InCache(list[k])) << list[k];
    }
    void TearDown() override { EmptyCache(); }
    void ExpectLeft(bool matchingLeft, const wchar_t* step) {
        for (const wchar_t* url : kMatching)
            EXPECT_EQ(InCache(url), matchingLeft) << step << " " << url;
        for (const wchar_t* url : kOthers)
            EXPECT_TRUE(InCache(url)) << step << " " << url;
    }
};

TEST_F(UrlCacheTest, PatternsTable) {
    // The last: a second clean finds nothing more.
    for (const wchar_t* pattern :
         {L".nowhere.example", L".CDN.LUMORA.EXAMPLE", L".cdn.lumora.example"}) {
        EXPECT_TRUE(CleanUrlCache(pattern)) << pattern;
        ExpectLeft(pattern[1] == L'n', pattern);
    }
    EmptyCache();
    ASSERT_TRUE(AllEntries().empty());
    EXPECT_FALSE(CleanUrlCache(L".cdn.lumora.example"));
    EXPECT_FALSE(CleanUrlCache(nullptr));
}

TEST_F(UrlCacheTest, CleanCacheDropsTheContentDeliveryDomain) {
    DISPPARAMS none{};
    EXPECT_EQ(ScriptBridge::Create(nullptr)->Invoke(DISPID_CLEANCACHE, IID_NULL, 0, DISPATCH_METHOD,
                                                    &none, nullptr, nullptr, nullptr),
              S_OK);
    ExpectLeft(false, L"CleanCache");
}

} // namespace
