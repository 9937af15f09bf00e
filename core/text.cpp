#include "core/text.h"

#include <cstring>
#include <cwchar>

bool CopyText(wchar_t* dst, size_t cap, const wchar_t* src) {
    if (cap == 0) return false;
    dst[0] = L'\0';
    if (!src) return true;
    size_t n = wcslen(src);
    if (n >= cap) return false;
    memcpy(dst, src, (n + 1) * sizeof(wchar_t));
    return true;
}

bool CopyTextA(char* dst, size_t cap, const char* src) {
    if (cap == 0) return false;
    dst[0] = '\0';
    if (!src) return true;
    size_t n = strlen(src);
    if (n >= cap) return false;
    memcpy(dst, src, n + 1);
    return true;
}

bool AppendText(wchar_t* dst, size_t cap, const wchar_t* src) {
    size_t have = wcsnlen(dst, cap);
    size_t add = wcslen(src);
    if (have >= cap || add >= cap - have) return false;
    memcpy(dst + have, src, (add + 1) * sizeof(wchar_t));
    return true;
}

#ifdef _WIN32

bool EqualsIgnoringCaseA(const char* a, const char* b) {
    return lstrcmpiA(a, b) == 0;
}

static bool ConvertToField(UINT codePage, const char* text, wchar_t* dst, int cap) {
    if (cap <= 0) return false;
    dst[0] = L'\0';
    if (!text) return true;
    // Asking for the length first keeps a long value from being half-written.
    int need = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (need <= 0 || need > cap) return false;
    if (MultiByteToWideChar(codePage, 0, text, -1, dst, cap) != need) {
        dst[0] = L'\0';
        return false;
    }
    return true;
}

bool Utf8ToField(const char* utf8, wchar_t* dst, int cap) {
    return ConvertToField(CP_UTF8, utf8, dst, cap);
}

bool AnsiToField(const char* text, wchar_t* dst, int cap) {
    return ConvertToField(CP_ACP, text, dst, cap);
}

#else

#include <strings.h>

// The tools' Linux build: ASCII letters fold, as all names the launcher
// knows are ASCII.
bool EqualsIgnoringCaseA(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

namespace {

// The code point at p and its length in bytes; a byte that starts no valid
// sequence is U+FFFD on its own, as MultiByteToWideChar takes it.
unsigned long NextCodePoint(const unsigned char* p, int* used) {
    unsigned long c = *p;
    const int more = c < 0x80             ? 0
                     : (c & 0xE0) == 0xC0 ? 1
                     : (c & 0xF0) == 0xE0 ? 2
                     : (c & 0xF8) == 0xF0 ? 3
                                          : -1;
    *used = 1;
    if (more == 0) return c;
    if (more < 0) return 0xFFFD;
    c &= 0x3Fu >> more;
    int i = 1;
    for (; i <= more && (p[i] & 0xC0) == 0x80; ++i)
        c = (c << 6) | (p[i] & 0x3F);
    static const unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (i <= more || c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0xFFFD;
    *used = i;
    return c;
}

} // namespace

// wchar_t holds whole code points here, but the capacity counts UTF-16
// units, so that a value fits here exactly when it fits on Windows.
bool Utf8ToField(const char* utf8, wchar_t* dst, int cap) {
    if (cap <= 0) return false;
    dst[0] = L'\0';
    if (!utf8) return true;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(utf8);
    int units = 1, used = 0; // the terminator counts
    for (const unsigned char* p = text; *p; p += used)
        units += NextCodePoint(p, &used) >= 0x10000 ? 2 : 1;
    if (units > cap) return false;
    int n = 0;
    for (const unsigned char* p = text; *p; p += used)
        dst[n++] = static_cast<wchar_t>(NextCodePoint(p, &used));
    dst[n] = L'\0';
    return true;
}

#endif
