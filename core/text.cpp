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
