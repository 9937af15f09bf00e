#include "web/start_game.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr wchar_t kResultMarker[] = L"\"result\":";
constexpr wchar_t kOkValue[] = L"\"ok\"";
constexpr wchar_t kUrlMarker[] = L"\"url\":";

constexpr size_t Length(const wchar_t* s) {
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

wchar_t Unescape(wchar_t c) {
    switch (c) {
    case L'b':
        return L'\b';
    case L'f':
        return L'\f';
    case L'n':
        return L'\n';
    case L'r':
        return L'\r';
    case L't':
        return L'\t';
    default:
        return c; // quote, slash, backslash, and \u left undecoded
    }
}

// Case-insensitive for ASCII only: the value compared is pure ASCII, and a
// locale-dependent fold must not let other letters match.
bool SameIgnoringCase(const wchar_t* text, const wchar_t* expected, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        wchar_t a = text[i];
        wchar_t b = expected[i];
        if (a == 0) return false;
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
        if (a != b) return false;
    }
    return true;
}

wchar_t* HeapUrlAlloc(size_t chars) {
    return AllocStartGameUrl(chars);
}

} // namespace

StartGameUrlAllocFn g_startGameUrlAlloc = HeapUrlAlloc;

wchar_t* AllocStartGameUrl(size_t chars) {
    if (chars == 0 || chars > static_cast<size_t>(-1) / sizeof(wchar_t)) return nullptr;
    return static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, chars * sizeof(wchar_t)));
}

void FreeStartGameUrl(wchar_t* url) {
    if (url) HeapFree(GetProcessHeap(), 0, url);
}

bool IsWebUrl(const wchar_t* url) {
    if (!url) return false;
    size_t prefix = 0;
    if (SameIgnoringCase(url, L"http://", 7))
        prefix = 7;
    else if (SameIgnoringCase(url, L"https://", 8))
        prefix = 8;
    else
        return false;
    // "http:///x" or "http://\\host" name no host of their own.
    wchar_t first = url[prefix];
    if (first == 0 || first == L'/' || first == L'\\') return false;
    // Browsers drop tabs and line breaks inside a URL, so what they open would
    // not be what was checked.
    for (const wchar_t* p = url; *p; ++p)
        if (*p < 0x20 || *p == 0x7F) return false;
    return true;
}

const wchar_t* FindStartGameUrl(const wchar_t* text) {
    if (!text) return nullptr;
    const wchar_t* result = std::wcsstr(text, kResultMarker);
    if (!result) return nullptr;
    if (!SameIgnoringCase(result + Length(kResultMarker), kOkValue, Length(kOkValue)))
        return nullptr;
    const wchar_t* url = std::wcsstr(text, kUrlMarker);
    if (!url) return nullptr;
    const wchar_t* afterColon = url + Length(kUrlMarker);
    // The skipped character is normally the opening quote; at the very end
    // of the text there is nothing to skip and the value is empty.
    return *afterColon ? afterColon + 1 : afterColon;
}

size_t DecodeStartGameUrl(const wchar_t* value, wchar_t* dst, size_t capacity) {
    size_t length = 0;
    bool escaped = false;
    for (const wchar_t* p = value; *p; ++p) {
        wchar_t c = *p;
        if (escaped) {
            c = Unescape(c);
            escaped = false;
        } else if (c == L'\\') {
            escaped = true;
            continue;
        } else if (c == L'"') {
            break;
        }
        if (length + 1 < capacity) dst[length] = c;
        ++length;
    }
    if (capacity > 0) dst[length < capacity ? length : capacity - 1] = 0;
    return length;
}

StartGameOutcome ParseStartGame(const wchar_t* text, wchar_t** url) {
    const wchar_t* value = FindStartGameUrl(text);
    if (!value) return StartGameOutcome::Error;
    size_t length = DecodeStartGameUrl(value, nullptr, 0);
    size_t chars = length + 1 > kStartGameUrlMinChars ? length + 1 : kStartGameUrlMinChars;
    wchar_t* buffer = g_startGameUrlAlloc(chars);
    if (!buffer) return StartGameOutcome::NoMemory;
    DecodeStartGameUrl(value, buffer, chars);
    if (!IsWebUrl(buffer)) {
        FreeStartGameUrl(buffer);
        return StartGameOutcome::Error;
    }
    *url = buffer;
    return StartGameOutcome::Url;
}
