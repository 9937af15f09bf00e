#include "core/text.h"
#include "update/entry_name.h"
#include "update/package.h"
#include "update/package_name.h"
#include "update_test_util.h"

#include <gtest/gtest.h>

using namespace testing_support;
using update_test::PackageBytes;
using update_test::StoredArchive;

namespace {

struct Extracted {
    int written;
    std::wstring newLauncher;
};

Extracted Extract(const TempDir& dir, const std::string& bytes, bool isLauncher = false) {
    wchar_t newLauncher[MAX_PATH] = {};
    int n = ExtractPackage(isLauncher ? (dir / L"update").c_str() : dir.Path().c_str(),
                           bytes.data(), bytes.size(), isLauncher ? newLauncher : nullptr);
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

TEST(Package, JoinedPathsStayBelowTheRootDriveRootsIncluded) {
    struct {
        const wchar_t* root;
        const wchar_t* name;
        const wchar_t* joined; // empty: refused
    } cases[] = {
        {L"Q:\\", L"a.txt", L"Q:\\a.txt"},
        {L"Q:\\", L"sub\\b.txt", L"Q:\\sub\\b.txt"},
        {L"Q:\\", L"", L""},
        {L"C:\\game", L"a.txt", L"C:\\game\\a.txt"},
        {L"C:\\game", L"..\\gamex\\a.txt", L""},
        {L"C:\\game\\", L"..\\gamex\\a.txt", L""},
        {L"C:\\game", L"..\\game\\a.txt", L"C:\\game\\a.txt"},
        {L"C:\\game", L"..\\..\\x.dll", L""},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = {};
        bool ok = JoinPathChecked(out, c.root, c.name);
        EXPECT_EQ(ok, c.joined[0] != 0) << Narrow(c.root) << " + " << Narrow(c.name);
        if (ok) {
            EXPECT_STREQ(out, c.joined);
        }
    }
}

// The launcher directory a drive root: a drive letter mapped to a folder.
TEST(Package, DriveRootLauncherDirectoryIsWrittenLikeAnyOther) {
    TempDir target;
    char prefix[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH), 0u);
    update_test::UnixLink drive(target.Path(), L"",
                                std::string(prefix) + "/dosdevices/q:", L"Q:\\");
    ASSERT_TRUE(drive.Made());
    std::string bytes = PackageBytes("plain");
    EXPECT_EQ(ExtractPackage(L"Q:\\", bytes.data(), bytes.size(), nullptr), 3);
    EXPECT_EQ(Read(target / L"deep\\x\\y\\c.txt"), "gamma");
    EXPECT_EQ(CountFiles(target.Path()), 1); // a.txt, and no temporary file
}

// GetTempFileNameW refuses folders longer than MAX_PATH - 14 on Windows; a
// file "z" in a folder of MAX_PATH - 3 characters still fits.
TEST(Package, LongFolderWithShortNamesIsWritten) {
    TempDir outer;
    std::wstring root = outer.Path() + L"\\";
    root += std::wstring(MAX_PATH - 3 - root.size(), L'r');
    // Past CreateDirectoryW's own limit: made in the form without one.
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root).c_str(), nullptr));
    std::string bytes = StoredArchive("stored bytes", L"z");
    EXPECT_EQ(ExtractPackage(root.c_str(), bytes.data(), bytes.size(), nullptr), 1);
    ASSERT_EQ((root + L"\\z").size(), size_t(MAX_PATH - 1));
    EXPECT_EQ(Read(root + L"\\z"), "stored bytes");
    EXPECT_EQ(CountFiles(root), 1);
    DeleteFileW((root + L"\\z").c_str());
    RemoveDirectoryW((L"\\\\?\\" + root).c_str());
}

// Entries without names (no name table), and names Windows refuses: nothing
// written, and nothing tried again.
TEST(Package, NamelessAndRefusedEntriesAreSkippedAtOnce) {
    struct {
        const wchar_t* name; // null: no name table
        int written;
    } cases[] = {
        {nullptr, 0},     {L"ok.txt", 1},  {L"", 0},        {L"CON", 0},     {L"aux.txt", 0},
        {L"sub\\nul", 0}, {L"com1 .x", 0}, {L"a*b.txt", 0}, {L"a?b.txt", 0}, {L"a|b", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? Narrow(c.name) : "no name table");
        TempDir dir;
        update_test::CountedPauses pauses;
        EXPECT_EQ(Extract(dir, StoredArchive("stored bytes", c.name)).written, c.written);
        EXPECT_EQ(pauses.Count(), 0);
        EXPECT_EQ(CountFiles(dir.Path()), c.written);
        if (c.written) {
            EXPECT_EQ(Read(dir / c.name), "stored bytes");
        }
    }
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
    std::string bytes = PackageBytes("escape");
    EXPECT_EQ(ExtractPackage(root.c_str(), bytes.data(), bytes.size(), nullptr), 1);
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
    update_test::CountedPauses pauses;
    Extracted r = Extract(dir, PackageBytes("plain"));
    EXPECT_EQ(pauses.Count(), 9); // ten attempts: a held file may come free
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
