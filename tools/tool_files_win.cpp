#include "tools/tool_files.h"

#include "core/file_util.h"
#include "core/text.h"
#include "ui/gdiplus_flat.h"
#include "update/file_ops.h"
#include "win/gdiplus_scoped.h"
#include "win/scoped.h"

#include <windows.h>

#include <shlwapi.h>

#include <cwchar>

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWhole(const std::wstring& path, std::string& bytes, size_t maxBytes) {
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size) ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
         got != bytes.size()))
        return false;
    return true;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD put = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
           put == bytes.size();
}

bool CopyWhole(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool MakeFolders(const std::wstring& dir) {
    if (IsDirectory(dir)) return true;
    size_t cut = dir.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 2 && !MakeFolders(dir.substr(0, cut))) return false;
    return CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool RenamePath(const std::wstring& from, const std::wstring& to, std::wstring& error) {
    if (MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    error = L"error " + std::to_wstring(GetLastError());
    return false;
}

void RemoveTree(const std::wstring& path) {
    DeleteDirectoryTree(path.c_str());
}

bool ListFolder(const std::wstring& dir, std::vector<FolderEntry>& out, std::wstring& error) {
    WIN32_FIND_DATAW found;
    win::UniqueFind find(FindFirstFileW((dir + L"\\*").c_str(), &found));
    if (!find) {
        error = L"error " + std::to_wstring(GetLastError());
        return false;
    }
    do {
        if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
        FolderEntry e;
        e.name = found.cFileName;
        e.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        out.push_back(e);
    } while (FindNextFileW(find.Get(), &found));
    return true;
}

std::wstring LowerText(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

bool FindSevenZip(const std::wstring& option, std::wstring& program, std::wstring& error) {
    std::wstring wanted = option;
    if (wanted.empty()) {
        wchar_t env[MAX_PATH * 2] = {};
        DWORD n = GetEnvironmentVariableW(L"LUMORA_7Z", env, MAX_PATH * 2);
        if (n > 0 && n < MAX_PATH * 2) wanted = env;
    }
    if (!wanted.empty()) {
        if (!IsFile(wanted)) {
            error = L"7z program \"" + wanted + L"\" not found";
            return false;
        }
        program = wanted;
        return true;
    }
    wchar_t found[MAX_PATH] = {};
    DWORD n = SearchPathW(nullptr, L"7z.exe", nullptr, MAX_PATH, found, nullptr);
    if (n == 0 || n >= MAX_PATH) {
        error = L"7z program not found: no 7z.exe on PATH and LUMORA_7Z not set";
        return false;
    }
    program = found;
    return true;
}

int RunAndWait(const std::wstring& program, const std::vector<std::wstring>& args,
               const std::wstring& workDir) {
    std::wstring cmd = L"\"" + program + L"\"";
    for (const std::wstring& a : args)
        cmd += L" \"" + a + L"\""; // no Windows file name holds a quote
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.c_str(), &si, &pi))
        return -1;
    win::UniqueHandle process(pi.hProcess);
    win::UniqueHandle thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    if (!GetExitCodeProcess(process.Get(), &code)) return -1;
    return static_cast<int>(code);
}

bool ConfiguredFile(const wchar_t* dir, const std::wstring& name, bool joined, std::wstring& full) {
    wchar_t path[MAX_PATH] = {};
    bool fits = (joined || PathIsRelativeW(name.c_str()))
                    ? JoinPath(path, MAX_PATH, dir, name.c_str())
                    : CopyText(path, name.c_str());
    full = path;
    return fits;
}

bool ReadImageSize(const std::wstring& path, int* width, int* height) {
    win::GdiplusSession gdiplus = win::StartGdiplus();
    ui::SkinImage image;
    image.Load(path.c_str());
    *width = image.Width();
    *height = image.Height();
    return !image.Pixels().Empty();
}
