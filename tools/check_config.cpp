// lumora_check: tells a studio, before it ships, everything in a launcher's
// "static.json" that the launcher would silently ignore or refuse.
//
// Usage: lumora_check [PATH]   (a launcher directory or its static.json;
//                               default: the current directory)
// Exit code: 0 clean, 1 problems found, 2 bad usage or unreadable file.
#include "core/file_util.h"
#include "tools/static_check.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

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

int Fail(const std::wstring& message) {
    std::string text = "lumora_check: error: " + ToUtf8(message) + "\n";
    fputs(text.c_str(), stderr);
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 2 || (argc == 2 && (argv[1][0] == L'-' || !wcscmp(argv[1], L"/?")))) {
        fputs("usage: lumora_check [LAUNCHER_DIR | PATH_TO_static.json]\n", stderr);
        return 2;
    }
    const std::wstring target = FullPath(argc == 2 ? argv[1] : L".");
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(L"\"" + target + L"\" not found");
    std::wstring dir = target;
    std::wstring file = target + L"\\static.json";
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        file = target;
        dir = target.substr(0, target.find_last_of(L"\\/"));
    }
    std::unique_ptr<char[]> text;
    size_t length = 0;
    if (!ReadWholeFile(file.c_str(), text, length)) return Fail(L"cannot read \"" + file + L"\"");

    ProblemList problems;
    CheckStaticConfig(text.get(), length, dir.c_str(), &problems);
    const std::string shown = ToUtf8(PathFindFileNameW(file.c_str()));
    for (const Problem& p : problems) {
        std::string line = shown + ": " + (p.key.empty() ? "" : p.key + ": ") + p.message + "\n";
        fputs(line.c_str(), stdout);
    }
    if (problems.empty()) {
        printf("%s: clean, no problems found\n", shown.c_str());
        return 0;
    }
    std::string summary = shown + ": " + std::to_string(problems.size()) +
                          (problems.size() == 1 ? " problem" : " problems") + " found\n";
    fputs(summary.c_str(), stdout);
    return 1;
}
