// Package extraction: ExtractPackage on mutated 7z packages.
#include "fuzz.h"

#include "update/package.h"

#include <7z.h>
#include <7zCrc.h>

#include <cstring>

namespace fuzz {

std::set<std::string> EntryContents(const std::string& archive, size_t* files) {
    std::set<std::string> contents;
    CrcGenerateTable();
    MemoryInStream stream;
    MemoryInStream_Init(&stream, archive.data(), archive.size());
    static Byte buf[1 << 14];
    CLookToRead2 look;
    LookToRead2_CreateVTable(&look, False);
    look.buf = buf;
    look.bufSize = sizeof buf;
    look.realStream = &stream.vt;
    LookToRead2_INIT(&look);
    CSzArEx db;
    SzArEx_Init(&db);
    UInt32 block = 0xFFFFFFFF;
    Byte* out = nullptr;
    size_t outSize = 0, n = 0;
    if (SzArEx_Open(&db, &look.vt, &g_packageAllocMain, &g_packageAllocTemp) == SZ_OK) {
        for (UInt32 i = 0; i < db.NumFiles; ++i) {
            if (SzArEx_IsDir(&db, i)) continue;
            size_t offset = 0, size = 0;
            if (SzArEx_Extract(&db, &look.vt, i, &block, &out, &outSize, &offset, &size,
                               &g_packageAllocMain, &g_packageAllocTemp) != SZ_OK)
                break;
            contents.emplace(reinterpret_cast<char*>(out) + offset, size);
            ++n;
        }
    }
    ISzAlloc_Free(&g_packageAllocMain, out);
    SzArEx_Free(&db, &g_packageAllocMain);
    if (files) *files = n;
    return contents;
}

namespace {

// Mutants of an uncompressed header get their checksums back, or nearly all
// of them would stop at the first check and never reach the header's fields.
void Repair(std::string& b, uint64_t coin) {
    CrcGenerateTable();
    if (coin % 8 == 0 || b.size() < 32 || memcmp(b.data(), k7zSignature, k7zSignatureSize)) return;
    uint64_t offset, size;
    memcpy(&offset, &b[12], 8);
    memcpy(&size, &b[20], 8);
    if (offset <= b.size() - 32 && size <= b.size() - 32 - offset) {
        UInt32 crc = CrcCalc(&b[32 + offset], size);
        memcpy(&b[28], &crc, 4);
    }
    UInt32 crc = CrcCalc(&b[12], 20);
    memcpy(&b[8], &crc, 4);
}

bool Run(const std::string& input, std::string& why) {
    bool launcher = Hash(input) % 4 == 0;
    Files good = {{L"a.txt", "good a"}, {L"sub\\b.txt", "good b"}, {L"keep.bin", "good keep"}};
    if (launcher) good[L"update\\a.txt"] = "good update a";
    ResetRoot(good);
    const uint64_t kCanary = 0x5A5A5A5A5A5A5A5Aull;
    struct {
        wchar_t path[MAX_PATH];
        uint64_t canary;
    } out = {{}, kCanary};
    std::wstring dest = g_root + (launcher ? L"\\update" : L""), update = g_root + L"\\update\\";
    int written =
        ExtractPackage(dest.c_str(), input.data(), input.size(), launcher ? out.path : nullptr);
    size_t files = 0, added = 0;
    std::set<std::string> contents = EntryContents(input, &files);
    if (out.canary != kCanary || !Terminated(out.path))
        return why = "new launcher path overrun", false;
    if (written < 0 || size_t(written) > files)
        return why = "wrote " + std::to_string(written) + " of " + std::to_string(files), false;
    if (launcher ? written && wcsncmp(out.path, update.c_str(), update.size()) : out.path[0] != 0)
        return why = "new launcher path outside the update folder", false;
    // Each entry written puts at most one new file in place: nothing else
    // (a temporary file, say) may stay behind.
    for (const auto& f : Tree(g_root))
        added += f.first.back() != L'\\' && !good.count(f.first.substr(g_root.size() + 1));
    if (added > size_t(written)) return why = std::to_string(added) + " new files", false;
    return CheckRoot(contents, why);
}

std::string Utf16(const char* s) {
    std::string out;
    for (; *s; ++s)
        out += *s, out += '\0';
    return out;
}

} // namespace

// clang-format off
const Driver kPackage = {"package", {Utf16(".."), Utf16("\\"), Utf16("/"), Utf16("C:"), Utf16("\\\\"),
    Utf16("CON"), Utf16(":"), Utf16(" "), Utf16("."), Utf16("aux.txt"), std::string(2, '\0'),
    // Property ids of the header: names, empty streams and files, sizes,
    // checksums, folders and the end mark.
    "\x11", "\x0E", "\x0F", "\x19", "\x09", "\x0A", "\x0B", "\x0C", "\x0D", std::string(1, '\0')},
    Run, Repair};
// clang-format on

} // namespace fuzz
