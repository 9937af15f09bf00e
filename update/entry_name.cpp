#include "update/entry_name.h"

#include "core/text.h"

#include <shlwapi.h>

#include <cwchar>

namespace {

// A component that Windows takes for a device ("CON", "aux.txt", "com1 .x")
// or refuses outright (wildcards, control characters).
bool IsRefusedComponent(const wchar_t* begin, const wchar_t* end) {
    for (const wchar_t* p = begin; p < end; ++p)
        if (*p < 32 || wcschr(L"<>\"|?*", *p)) return true;
    const wchar_t* stem = begin;
    while (stem < end && *stem != L'.')
        ++stem;
    while (stem > begin && stem[-1] == L' ')
        --stem;
    const size_t len = size_t(stem - begin);
    static const wchar_t* const kDevices[] = {L"CON", L"PRN",    L"AUX",
                                              L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices)
        if (len == wcslen(device) && !_wcsnicmp(begin, device, len)) return true;
    // COM1-COM9 and LPT1-LPT9 (also with the superscript digits 1-3).
    if (len == 4 && (!_wcsnicmp(begin, L"COM", 3) || !_wcsnicmp(begin, L"LPT", 3)))
        return (begin[3] >= L'1' && begin[3] <= L'9') || begin[3] == 0xB9 || begin[3] == 0xB2 ||
               begin[3] == 0xB3;
    return false;
}

bool IsDotsOnly(const wchar_t* begin, const wchar_t* end) {
    if (begin == end) return true; // an empty component, as in "a\\b"
    for (const wchar_t* p = begin; p < end; ++p)
        if (*p != L'.' && *p != L' ') return false;
    // Windows drops trailing dots and blanks, so ". ." and "..." act as dots.
    return true;
}

} // namespace

bool IsSafeEntryName(const wchar_t* name) {
    if (!name || !name[0]) return false;
    if (name[0] == L'\\' || name[0] == L'/') return false; // absolute or UNC
    if (wcschr(name, L':')) return false;                  // drive or stream name
    const wchar_t* begin = name;
    for (const wchar_t* p = name;; ++p) {
        if (*p == L'\\' || *p == L'/' || *p == L'\0') {
            if (IsDotsOnly(begin, p) || IsRefusedComponent(begin, p)) return false;
            if (!*p) break;
            begin = p + 1;
        }
    }
    return true;
}

bool JoinPathChecked(wchar_t (&out)[MAX_PATH], const wchar_t* root, const wchar_t* name) {
    if (!CopyText(out, root) || !PathAppendW(out, name)) return false;
    size_t rootLen = wcslen(root);
    // A drive root keeps its separator ("Q:\"); the check wants it after it.
    if (rootLen && root[rootLen - 1] == L'\\') --rootLen;
    return _wcsnicmp(out, root, rootLen) == 0 && out[rootLen] == L'\\' && out[rootLen + 1];
}
