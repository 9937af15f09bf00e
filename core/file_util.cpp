#include "core/file_util.h"

#include "core/text.h"
#include "win/scoped.h"

#include <new>
#include <shlwapi.h>

bool ReadWholeFile(const wchar_t* path, std::unique_ptr<char[]>& data, size_t& length,
                   size_t maxBytes) {
    win::UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    size_t n = static_cast<size_t>(size.QuadPart);
    std::unique_ptr<char[]> buf(new (std::nothrow) char[n + 1]);
    if (!buf) return false;
    size_t got = 0;
    while (got < n) {
        DWORD chunk = 0;
        DWORD want = static_cast<DWORD>(n - got > (1u << 30) ? (1u << 30) : n - got);
        if (!ReadFile(file.Get(), buf.get() + got, want, &chunk, nullptr)) return false;
        if (chunk == 0) break;
        got += chunk;
    }
    buf[got] = '\0';
    data = std::move(buf);
    length = got;
    return true;
}

bool GetExeDirectory(wchar_t* dir, size_t cap) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    PathRemoveFileSpecW(path);
    return CopyText(dir, cap, path);
}

bool JoinPath(wchar_t* out, size_t cap, const wchar_t* dir, const wchar_t* name) {
    // PathAppendW needs a MAX_PATH buffer and fails on longer results.
    wchar_t tmp[MAX_PATH] = {};
    if (!CopyText(tmp, dir)) return false;
    if (!PathAppendW(tmp, name)) return false;
    return CopyText(out, cap, tmp);
}
