#include "update/file_ops.h"

#include "core/text.h"
#include "update/md5.h"
#include "win/scoped.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <cwchar>
#include <memory>
#include <new>

void (*g_retryPause)(DWORD ms) = [](DWORD ms) { Sleep(ms); };

bool IsPassingFileError(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED: // also a file whose delete is still pending
    case ERROR_DELETE_PENDING:
    case ERROR_USER_MAPPED_FILE:
        return true;
    default:
        return false;
    }
}

void TerminateProcessesNamed(const wchar_t* name) {
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self || StrCmpIW(entry.szExeFile, name) != 0) continue;
        win::UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        if (process) TerminateProcess(process.Get(), 0);
    }
}

namespace {

bool IsLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction or symbolic link goes itself; what it points at is never listed.
void DeleteLink(const wchar_t* path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(path);
    else
        DeleteFileW(path);
}

void DeleteBelow(const wchar_t* dir) {
    wchar_t pattern[MAX_PATH] = {};
    if (!CopyText(pattern, dir) || !PathAppendW(pattern, L"*.*")) return;
    WIN32_FIND_DATAW found;
    win::UniqueFind find(FindFirstFileW(pattern, &found));
    if (!find) return;
    do {
        if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
        wchar_t path[MAX_PATH] = {};
        if (!CopyText(path, dir) || !PathAppendW(path, found.cFileName)) continue;
        const DWORD attributes = found.dwFileAttributes;
        if (IsLink(attributes)) {
            DeleteLink(path, attributes);
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteBelow(path);
            RemoveDirectoryW(path);
        } else {
            // Only a held file is worth waiting for.
            for (int retry = 0; !DeleteFileW(path) && retry < 10; ++retry) {
                if (!IsPassingFileError(GetLastError())) break;
                g_retryPause(1000);
            }
        }
    } while (FindNextFileW(find.Get(), &found));
}

} // namespace

void DeleteDirectoryTree(const wchar_t* dir) {
    const DWORD attributes = GetFileAttributesW(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (IsLink(attributes)) {
        DeleteLink(dir, attributes);
        return;
    }
    DeleteBelow(dir);
    RemoveDirectoryW(dir);
}

namespace {

const DWORD kHashPiece = 1u << 20;

bool WriteAll(HANDLE file, const unsigned char* data, size_t size) {
    while (size) {
        DWORD want = size > (1u << 30) ? (1u << 30) : DWORD(size);
        DWORD done = 0;
        if (!WriteFile(file, data, want, &done, nullptr) || done != want) return false;
        data += done;
        size -= done;
    }
    return true;
}

// Creates a new file of our own name in dest's folder: "~lu", the process
// and a count. Past MAX_PATH (a long folder, a short file name) the name is
// given in the "\\?\" form, which has no such limit, so that every dest
// that fits can be written.
HANDLE CreateTempBeside(const wchar_t* dest, wchar_t (&temp)[MAX_PATH + 32]) {
    static unsigned counter = 0;
    wchar_t folder[MAX_PATH] = {};
    if (!CopyText(folder, dest) || !PathRemoveFileSpecW(folder)) return INVALID_HANDLE_VALUE;
    const size_t folderLen = wcslen(folder);
    const wchar_t* sep = folderLen && folder[folderLen - 1] == L'\\' ? L"" : L"\\";
    const unsigned long pid = GetCurrentProcessId();
    for (int tries = 0; tries < 16; ++tries) {
        const unsigned n = ++counter & 0xFFFF;
        int len = swprintf(temp, MAX_PATH + 32, L"%ls%ls~lu%lx.%x", folder, sep, pid, n);
        if (len >= MAX_PATH) {
            // That form takes the path as it stands: normalised first.
            wchar_t full[MAX_PATH] = {};
            DWORD got = GetFullPathNameW(folder, MAX_PATH, full, nullptr);
            if (got == 0 || got >= MAX_PATH) return INVALID_HANDLE_VALUE;
            const bool unc = full[0] == L'\\' && full[1] == L'\\';
            len = swprintf(temp, MAX_PATH + 32, L"%ls%ls%ls~lu%lx.%x",
                           unc ? L"\\\\?\\UNC" : L"\\\\?\\", unc ? full + 1 : full, sep, pid, n);
        }
        if (len <= 0) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Hashed in pieces: the file's bytes are still held in memory once already.
bool FileHasMd5(const wchar_t* path, const char* expected) {
    win::UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::unique_ptr<unsigned char[]> piece(new (std::nothrow) unsigned char[kHashPiece]);
    if (!piece) return false;
    Md5Context ctx;
    Md5Init(&ctx);
    DWORD got = 0;
    do {
        if (!ReadFile(file.Get(), piece.get(), kHashPiece, &got, nullptr)) return false;
        Md5Update(&ctx, piece.get(), got);
    } while (got > 0);
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    char text[33];
    Md5ToHex(digest, text);
    return lstrcmpiA(text, expected) == 0;
}

} // namespace

// Creates each missing folder from the root down to folder.
bool CreateFolders(const wchar_t* root, const wchar_t* folder) {
    size_t rootLen = wcslen(root);
    wchar_t prefix[MAX_PATH] = {};
    if (!CopyText(prefix, folder)) return false;
    for (size_t i = rootLen + 1; prefix[i - 1]; ++i) {
        if (prefix[i] != L'\\' && prefix[i] != L'\0') continue;
        wchar_t saved = prefix[i];
        prefix[i] = L'\0';
        if (!CreateDirectoryW(prefix, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        prefix[i] = saved;
        if (!saved) break;
    }
    return true;
}

// Writes the bytes to a temporary file beside dest and puts it in place with
// one replace, so that a failure at any point leaves dest as it was.
bool ReplaceFileWith(const wchar_t* dest, const unsigned char* data, size_t size,
                     const char* expectedMd5) {
    wchar_t temp[MAX_PATH + 32] = {};
    bool written = false;
    {
        win::UniqueHandle file(CreateTempBeside(dest, temp));
        if (!file) return false;
        written = WriteAll(file.Get(), data, size);
    }
    // What is moved is what was checked, read back from the disk.
    if (written && expectedMd5) written = FileHasMd5(temp, expectedMd5);
    // A running executable or an open file resists for a while: try again.
    // A name the system refuses never passes.
    for (int attempt = 0; written && attempt < 10; ++attempt) {
        if (MoveFileExW(temp, dest, MOVEFILE_REPLACE_EXISTING)) return true;
        if (!IsPassingFileError(GetLastError())) break;
        if (attempt < 9) g_retryPause(1000);
    }
    DeleteFileW(temp);
    return false;
}
