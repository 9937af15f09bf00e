#include "update/package.h"

#include "core/text.h"
#include "update/entry_name.h"
#include "update/file_ops.h"
#include "update/md5.h"
#include "update/package_name.h"
#include "update/signed_update.h"

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

namespace {

// With a key, the listed digest of an entry whose bytes are that digest's;
// null for an entry that must not be written.
const char* SignedDigestOf(const SignedMembers& only, const wchar_t* name, const Byte* data,
                           size_t size) {
    const char* listed = only.DigestFor(name);
    if (!listed) return nullptr;
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, data, size);
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    char text[33];
    Md5ToHex(digest, text);
    return lstrcmpiA(text, listed) == 0 ? listed : nullptr;
}

} // namespace

int ExtractPackage(const wchar_t* destination, const void* data, size_t length,
                   wchar_t* lastWritten, const SignedMembers* only) {
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
        // Checked before any folder is made; checked again on the disk
        // before the file is put in place.
        const char* signedDigest = nullptr;
        if (only && !(signedDigest = SignedDigestOf(*only, name, archive.outBuffer + offset, size)))
            continue;

        wchar_t dest[MAX_PATH] = {};
        if (!JoinPathChecked(dest, root, name)) continue;
        wchar_t folder[MAX_PATH] = {};
        CopyText(folder, dest);
        PathRemoveFileSpecW(folder);
        if (!CreateFolders(root, folder)) continue;
        if (!ReplaceFileWith(dest, archive.outBuffer + offset, size, signedDigest)) continue;
        ++written;
        if (lastWritten) CopyText(lastWritten, MAX_PATH, dest);
    }
    return written;
}

bool PackageUrl(const wchar_t* updateUrl, int manifestVersion, const wchar_t* member,
                wchar_t* url) {
    url[0] = L'\0';
    wchar_t package[MAX_PATH] = {};
    if (!PackageNameForMember(member, package, MAX_PATH)) return false;
    wchar_t raw[1024] = {};
    int n = swprintf(raw, 1024, L"%ls%ld/%ls", updateUrl, long(manifestVersion), package);
    if (n < 0) return false;
    DWORD urlLen = 260;
    return UrlCanonicalizeW(raw, url, &urlLen, URL_UNESCAPE | URL_ESCAPE_UNSAFE) == S_OK;
}
