#include "update/package.h"

#include "core/file_util.h"
#include "core/text.h"
#include "update/http_fetch.h"
#include "update/package_name.h"
#include "win/scoped.h"

#include <7z.h>
#include <7zCrc.h>

#include <cstdlib>
#include <cwchar>
#include <shlwapi.h>

namespace {

SRes MemRead(ISeekInStreamPtr p, void* buf, size_t* size) {
    MemoryInStream* s = Z7_CONTAINER_FROM_VTBL(p, MemoryInStream, vt);
    size_t n = s->size - s->pos;
    if (*size < n) n = *size;
    if (n) memcpy(buf, s->data + s->pos, n);
    s->pos += n;
    *size = n;
    return SZ_OK;
}

SRes MemSeek(ISeekInStreamPtr p, Int64* pos, ESzSeek origin) {
    MemoryInStream* s = Z7_CONTAINER_FROM_VTBL(p, MemoryInStream, vt);
    Int64 base = origin == SZ_SEEK_CUR ? Int64(s->pos) : origin == SZ_SEEK_END ? Int64(s->size) : 0;
    Int64 next = base + *pos;
    if (next < 0) next = 0;
    if (UInt64(next) > s->size) next = Int64(s->size);
    s->pos = size_t(next);
    *pos = next;
    return SZ_OK;
}

void* HeapAllocFn(ISzAllocPtr, size_t size) {
    return size ? malloc(size) : nullptr;
}
void HeapFreeFn(ISzAllocPtr, void* address) {
    free(address);
}

// The decoder's state for one package, released on every path.
struct Archive {
    CSzArEx db;
    UInt32 blockIndex = 0xFFFFFFFF;
    Byte* outBuffer = nullptr;
    size_t outBufferSize = 0;
    Archive() { SzArEx_Init(&db); }
    ~Archive() {
        ISzAlloc_Free(&g_packageAllocMain, outBuffer);
        SzArEx_Free(&db, &g_packageAllocMain);
    }
};

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

bool WriteAll(HANDLE file, const Byte* data, size_t size) {
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

// Writes the bytes to a temporary file beside dest and puts it in place with
// one replace, so that a failure at any point leaves dest as it was.
bool ReplaceFileWith(const wchar_t* dest, const Byte* data, size_t size) {
    wchar_t temp[MAX_PATH + 32] = {};
    bool written = false;
    {
        win::UniqueHandle file(CreateTempBeside(dest, temp));
        if (!file) return false;
        written = WriteAll(file.Get(), data, size);
    }
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

} // namespace

const ISzAlloc g_packageAllocMain = {HeapAllocFn, HeapFreeFn};
const ISzAlloc g_packageAllocTemp = {HeapAllocFn, HeapFreeFn};

void MemoryInStream_Init(MemoryInStream* s, const void* data, size_t size) {
    s->vt.Read = MemRead;
    s->vt.Seek = MemSeek;
    s->data = static_cast<const unsigned char*>(data);
    s->size = size;
    s->pos = 0;
}

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

int ExtractPackage(const wchar_t* destination, const void* data, size_t length,
                   wchar_t* lastWritten) {
    wchar_t root[MAX_PATH] = {};
    if (!destination || !CopyText(root, destination) || !root[0]) return 0;
    PathRemoveBackslashW(root);

    MemoryInStream stream;
    MemoryInStream_Init(&stream, data, length);
    Byte lookBuf[1 << 14];
    CLookToRead2 look;
    LookToRead2_CreateVTable(&look, False);
    look.buf = lookBuf;
    look.bufSize = sizeof(lookBuf);
    look.realStream = &stream.vt;
    LookToRead2_INIT(&look);
    CrcGenerateTable();

    Archive archive;
    if (SzArEx_Open(&archive.db, &look.vt, &g_packageAllocMain, &g_packageAllocTemp) != SZ_OK)
        return 0;
    CreateDirectoryW(root, nullptr); // the update folder may not be there yet

    // A valid archive may have no name table at all: its entries have nowhere
    // to go, and the decoder's name function would read through null.
    if (!archive.db.FileNameOffsets || !archive.db.FileNames) return 0;

    int written = 0;
    for (UInt32 i = 0; i < archive.db.NumFiles; ++i) {
        if (SzArEx_IsDir(&archive.db, i)) continue;
        // The length counts the terminator. Names that would not fit a path
        // are skipped, not cut.
        size_t nameLen = SzArEx_GetFileNameUtf16(&archive.db, i, nullptr);
        if (nameLen < 2 || nameLen > MAX_PATH) continue;
        wchar_t name[MAX_PATH] = {};
        SzArEx_GetFileNameUtf16(&archive.db, i, reinterpret_cast<UInt16*>(name));
        name[MAX_PATH - 1] = L'\0';

        size_t offset = 0, size = 0;
        if (SzArEx_Extract(&archive.db, &look.vt, i, &archive.blockIndex, &archive.outBuffer,
                           &archive.outBufferSize, &offset, &size, &g_packageAllocMain,
                           &g_packageAllocTemp) != SZ_OK)
            break; // damaged data: this entry and the rest stay unwritten
        if (offset > archive.outBufferSize || size > archive.outBufferSize - offset) break;

        if (!IsSafeEntryName(name)) continue;
        // 7z stores "/"; the shell's path functions split on "\" only.
        for (wchar_t* p = name; *p; ++p)
            if (*p == L'/') *p = L'\\';

        wchar_t dest[MAX_PATH] = {};
        if (!JoinPathChecked(dest, root, name)) continue;
        wchar_t folder[MAX_PATH] = {};
        CopyText(folder, dest);
        PathRemoveFileSpecW(folder);
        if (!CreateFolders(root, folder)) continue;
        if (!ReplaceFileWith(dest, archive.outBuffer + offset, size)) continue;
        ++written;
        if (lastWritten) CopyText(lastWritten, MAX_PATH, dest);
    }
    return written;
}

int FetchAndExtractPackage(const wchar_t* updateUrl, int manifestVersion, const wchar_t* member,
                           const wchar_t* destination, wchar_t* lastWritten) {
    wchar_t package[MAX_PATH] = {};
    if (!PackageNameForMember(member, package, MAX_PATH)) return 0;
    wchar_t raw[1024] = {};
    int n = swprintf(raw, 1024, L"%ls%ld/%ls", updateUrl, long(manifestVersion), package);
    if (n < 0) return 0;
    wchar_t url[260] = {};
    DWORD urlLen = 260;
    if (UrlCanonicalizeW(raw, url, &urlLen, URL_UNESCAPE | URL_ESCAPE_UNSAFE) != S_OK) return 0;
    DWORD length = 0;
    std::unique_ptr<char[]> body = HttpFetch(url, &length);
    if (!body) return 0;
    return ExtractPackage(destination, body.get(), length, lastWritten);
}
