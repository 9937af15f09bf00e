#include "tools/tool_text.h"

#include <cstdio>
#include <vector>

#ifdef _WIN32

#include <windows.h>

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(const char* utf8) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::vector<wchar_t> buf(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, buf.data(), n);
    return std::wstring(buf.data());
}

size_t Utf16Length(const std::wstring& text) {
    return text.size();
}

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::vector<wchar_t> buf(n + 1);
    DWORD got = GetFullPathNameW(path.c_str(), n + 1, buf.data(), nullptr);
    if (got == 0 || got > n) return path;
    std::wstring out(buf.data(), got);
    while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/'))
        out.pop_back();
    return out;
}

#else

#include <filesystem>
#include <system_error>

// wchar_t holds a whole code point here.
std::string ToUtf8(const std::wstring& text) {
    std::string out;
    for (wchar_t wc : text) {
        unsigned long c = static_cast<unsigned long>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return std::string();
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring FromUtf8(const char* utf8) {
    std::wstring out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        unsigned long c = *p++;
        int more = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : -1;
        if (more < 0) return std::wstring();
        if (more) c &= 0x3F >> more;
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) return std::wstring();
            c = (c << 6) | (*p & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        static const unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return std::wstring();
        out += static_cast<wchar_t>(c);
    }
    return out;
}

size_t Utf16Length(const std::wstring& text) {
    size_t n = text.size();
    for (wchar_t c : text) // those past U+FFFF take two units
        n += static_cast<unsigned long>(c) > 0xFFFF;
    return n;
}

std::string NativePath(const std::wstring& path) {
    std::string out = ToUtf8(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::wstring FullPath(const std::wstring& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(NativePath(path), ec);
    if (ec) return path;
    std::string out = full.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return FromUtf8(out.c_str());
}

#endif

void PrintError(const char* tool, const std::wstring& message) {
    std::string text = std::string(tool) + ": error: " + ToUtf8(message) + "\n";
    fputs(text.c_str(), stderr);
    fflush(stderr);
}
