// Unpacking of an update package (a 7z archive held in memory) below a
// destination folder: the launcher directory, or its "update" folder for the
// launcher itself.
#pragma once

#include <windows.h>

#include <7zTypes.h>

#include <cstddef>

class SignedMembers;

// The decoder's seekable input over a buffer in memory.
struct MemoryInStream {
    ISeekInStream vt;
    const unsigned char* data;
    size_t size;
    size_t pos;
};
void MemoryInStream_Init(MemoryInStream* s, const void* data, size_t size);

// Plain heap allocators for the decoder; a request for 0 bytes yields null.
extern const ISzAlloc g_packageAllocMain;
extern const ISzAlloc g_packageAllocTemp;

// Writes every file entry of the package below destination (created when
// missing) and returns the number of files put in place. lastWritten, when
// given (260 characters), receives the path of the last file written.
// With only (an update key is set), an entry is written only when its name
// below destination is listed there and its bytes have the listed digest;
// every other entry is skipped.
int ExtractPackage(const wchar_t* destination, const void* data, size_t length,
                   wchar_t* lastWritten, const SignedMembers* only = nullptr);

// The URL (260 characters) of the member's package of the given manifest
// version below updateUrl; false, url empty, when it cannot be formed.
bool PackageUrl(const wchar_t* updateUrl, int manifestVersion, const wchar_t* member, wchar_t* url);
