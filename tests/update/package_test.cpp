#include "core/saved_state.h"
#include "update/package.h"
#include "update/package_name.h"
#include "update_test_util.h"

#include <gtest/gtest.h>

using namespace testing_support;
using update_test::PackageBytes;

namespace {

struct Extracted {
    int written;
    std::wstring newLauncher;
};

Extracted Extract(const TempDir& dir, const std::string& bytes, bool isLauncher = false) {
    update_test::UseLauncherDir(dir.Path(), L"");
    wchar_t newLauncher[MAX_PATH] = {};
    int n = ExtractPackage(bytes.data(), bytes.size(), isLauncher, newLauncher);
    return {n, newLauncher};
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

// Files in dir other than the ones named: temporary leftovers.
int CountFiles(const std::wstring& dir) {
    WIN32_FIND_DATAW f;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &f);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileW(h, &f));
    FindClose(h);
    return n;
}

} // namespace

TEST(PackageName, ExtensionReplacedBy7z) {
    struct {
        const wchar_t* member;
        const wchar_t* package;
    } cases[] = {
        {L"bin\\game.dll", L"bin\\game.7z"}, {L"readme", L"readme.7z"},
        {L"data\\a.b.c", L"data\\a.b.7z"},   {L"Lumora2.exe", L"Lumora2.7z"},
        {L"a\\.\\b.txt", L"a\\b.7z"},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH];
        ASSERT_TRUE(PackageNameForMember(c.member, out, MAX_PATH)) << Narrow(c.member);
        EXPECT_STREQ(out, c.package);
    }
    wchar_t out[MAX_PATH];
    std::wstring tooLong(300, L'x');
    EXPECT_FALSE(PackageNameForMember(tooLong.c_str(), out, MAX_PATH));
}

TEST(Package, EntryNamesThatEscapeTheRootAreRefused) {
    struct {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"a.txt", true},           {L"sub\\b.txt", true},     {L"sub/b.txt", true},
        {L"a..b.txt", true},        {L"..\\..\\x.dll", false}, {L"../x.dll", false},
        {L"sub/../../x", false},    {L"\\abs.txt", false},     {L"/abs.txt", false},
        {L"\\\\host\\s\\x", false}, {L"C:\\x.dll", false},     {L"C:x.dll", false},
        {L"a\\...\\x", false},      {L"a\\. .\\x", false},     {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << Narrow(c.name);
}

TEST(Package, MemoryInStreamReadsAndClampsSeeks) {
    const char data[] = "0123456789";
    MemoryInStream s;
    MemoryInStream_Init(&s, data, 10);
    char buf[16] = {};
    size_t n = 4;
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    struct {
        Int64 offset;
        ESzSeek origin;
        Int64 expected;
    } seeks[] = {{3, SZ_SEEK_SET, 3},   {2, SZ_SEEK_CUR, 5},   {-1, SZ_SEEK_END, 9},
                 {-50, SZ_SEEK_CUR, 0}, {50, SZ_SEEK_SET, 10}, {5, SZ_SEEK_END, 10}};
    for (const auto& c : seeks) {
        Int64 pos = c.offset;
        EXPECT_EQ(s.vt.Seek(&s.vt, &pos, c.origin), SZ_OK);
        EXPECT_EQ(pos, c.expected);
    }
    n = 4;
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(g_packageAllocMain.Alloc(&g_packageAllocMain, 0), nullptr);
}

TEST(Package, FoldersAreCreatedAtEveryLevel) {
    TempDir dir;
    Extracted r = Extract(dir, PackageBytes("plain"));
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(Read(dir / L"a.txt"), "alpha");
    EXPECT_EQ(Read(dir / L"sub\\b.txt"), "beta");
    EXPECT_EQ(Read(dir / L"deep\\x\\y\\c.txt"), "gamma");
    EXPECT_TRUE(r.newLauncher.empty());
}

TEST(Package, SolidPackageGivesEachFileOnlyItsBytes) {
    TempDir dir;
    EXPECT_EQ(Extract(dir, PackageBytes("solid")).written, 3);
    for (const char* name : {"one.bin", "two.txt", "three.bin"}) {
        std::string expected;
        ASSERT_TRUE(
            ReadFileBytes(update_test::RigPath(std::string("src/solid/") + name), expected));
        EXPECT_EQ(Read(dir / Widen(name)), expected) << name;
    }
}

TEST(Package, EmptyDamagedAndForeignPackages) {
    TempDir dir;
    EXPECT_EQ(Extract(dir, PackageBytes("empty")).written, 0);
    EXPECT_EQ(Extract(dir, "not a 7z archive at all").written, 0);
    std::string plain = PackageBytes("plain");
    EXPECT_EQ(Extract(dir, plain.substr(0, plain.size() / 2)).written, 0);
    EXPECT_EQ(CountFiles(dir.Path()), 0);
}

TEST(Package, CrcFailureKeepsEarlierEntriesAndLeavesLaterOnesUntouched) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"2.txt", "old two"));
    ASSERT_TRUE(WriteFileBytes(dir / L"3.txt", "old three"));
    EXPECT_EQ(Extract(dir, PackageBytes("damaged")).written, 1);
    EXPECT_EQ(Read(dir / L"1.txt"), std::string(4000, 'A'));
    EXPECT_EQ(Read(dir / L"2.txt"), "old two");
    EXPECT_EQ(Read(dir / L"3.txt"), "old three");
    EXPECT_EQ(CountFiles(dir.Path()), 3);
}

TEST(Package, EscapingEntriesAreNeverWrittenTheOthersAre) {
    TempDir outer;
    std::wstring root = outer / L"launcher";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    update_test::UseLauncherDir(root, L"");
    std::string bytes = PackageBytes("escape");
    wchar_t newLauncher[MAX_PATH] = {};
    EXPECT_EQ(ExtractPackage(bytes.data(), bytes.size(), false, newLauncher), 1);
    EXPECT_EQ(Read(root + L"\\good.txt"), "good");
    EXPECT_EQ(CountFiles(root), 1);
    EXPECT_EQ(CountFiles(outer.Path()), 0);
    EXPECT_FALSE(FileExists(L"C:\\evil3.txt"));
}

TEST(Package, LockedDestinationIsKeptIntact) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "old alpha"));
    HANDLE lock =
        CreateFileW((dir / L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    DWORD savedPause = g_writeRetryPauseMs;
    g_writeRetryPauseMs = 5;
    Extracted r = Extract(dir, PackageBytes("plain"));
    g_writeRetryPauseMs = savedPause;
    CloseHandle(lock);
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(Read(dir / L"a.txt"), "old alpha");
    EXPECT_EQ(CountFiles(dir.Path()), 1); // no temporary file left behind
}

TEST(Package, LauncherPackageGoesIntoTheUpdateFolder) {
    TempDir dir;
    Extracted r = Extract(dir, PackageBytes("plain"), true);
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(Read(dir / L"update\\sub\\b.txt"), "beta");
    EXPECT_FALSE(FileExists(dir / L"a.txt"));
    EXPECT_EQ(r.newLauncher, dir / L"update\\sub\\b.txt"); // the last entry
}
