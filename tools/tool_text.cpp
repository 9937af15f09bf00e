#include "tools/tool_text.h"

#include <windows.h>

#include <cstdio>
#include <vector>

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

void PrintError(const char* tool, const std::wstring& message) {
    std::string text = std::string(tool) + ": error: " + ToUtf8(message) + "\n";
    fputs(text.c_str(), stderr);
    fflush(stderr);
}
