#include "web/url_cache.h"

#include <windows.h>

#include <shlwapi.h>
#include <wininet.h>

#include <memory>
#include <new>

#include "win/inet.h"

namespace {

using win::UniqueUrlCacheFind;

// One entry's record and strings, sized exactly to what the cache reports.
using EntryBlock = std::unique_ptr<unsigned char[]>;

EntryBlock AllocateEntry(DWORD bytes) {
    // The record itself must fit, or reading its fields would overrun.
    if (bytes < sizeof(INTERNET_CACHE_ENTRY_INFOW)) return nullptr;
    return EntryBlock(new (std::nothrow) unsigned char[bytes]);
}

INTERNET_CACHE_ENTRY_INFOW* AsEntry(const EntryBlock& block) {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(block.get());
}

void DeleteIfMatching(const INTERNET_CACHE_ENTRY_INFOW* entry, const wchar_t* pattern) {
    const wchar_t* url = entry->lpszSourceUrlName;
    if (url && StrStrIW(url, pattern)) DeleteUrlCacheEntryW(url); // in use: left for next time
}

// One size probe then one read of the next entry; null when either fails.
EntryBlock ReadNextEntry(HANDLE find) {
    DWORD bytes = 0;
    if (FindNextUrlCacheEntryW(find, nullptr, &bytes) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return nullptr;
    EntryBlock block = AllocateEntry(bytes);
    if (!block) return nullptr;
    if (!FindNextUrlCacheEntryW(find, AsEntry(block), &bytes)) return nullptr;
    return block;
}

} // namespace

bool CleanUrlCache(const wchar_t* pattern) {
    if (!pattern) return false;
    DWORD bytes = 0;
    // The probe can only succeed with a null buffer if the platform hands
    // back a handle anyway; close it rather than leak it.
    UniqueUrlCacheFind probe(FindFirstUrlCacheEntryW(nullptr, nullptr, &bytes));
    if (probe || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    EntryBlock block = AllocateEntry(bytes);
    if (!block) return false;
    UniqueUrlCacheFind find(FindFirstUrlCacheEntryW(nullptr, AsEntry(block), &bytes));
    if (!find) return false;
    while (block) {
        DeleteIfMatching(AsEntry(block), pattern);
        block.reset(); // at most one entry block at a time
        block = ReadNextEntry(find.Get());
    }
    return true;
}
