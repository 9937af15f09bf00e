#include "core/text.h"
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/entry_name.h"
#include "update/package.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace testing_support;

namespace {

int Extract(const std::wstring& root, const std::string& bytes, wchar_t* last = nullptr) {
    return ExtractPackage(root.c_str(), bytes.data(), bytes.size(), last);
}

} // namespace

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
    // clang-format off
    struct { const wchar_t *root, *name, *joined; } cases[] = { // joined empty: refused
        {L"Q:\\", L"a.txt", L"Q:\\a.txt"}, {L"Q:\\", L"sub\\b.txt", L"Q:\\sub\\b.txt"},
        {L"C:\\game", L"a.txt", L"C:\\game\\a.txt"}, {L"C:\\game", L"..\\gamex\\a.txt", L""},
        {L"C:\\game\\", L"..\\gamex\\a.txt", L""}, {L"C:\\game", L"..\\..\\x.dll", L""},
        {L"Q:\\", L"", L""}, {L"C:\\game", L"..\\game\\a.txt", L"C:\\game\\a.txt"}};
    // clang-format on
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = {};
        bool ok = JoinPathChecked(out, c.root, c.name);
        EXPECT_EQ(ok, c.joined[0] != 0) << Narrow(c.root) << " + " << Narrow(c.name);
        EXPECT_STREQ(ok ? out : L"", c.joined);
    }
}

TEST(Package, MemoryInStreamReadsAndClampsSeeks) {
    const char data[] = "0123456789";
    MemoryInStream s;
    MemoryInStream_Init(&s, data, 10);
    char buf[16] = {};
    size_t n = 4;
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(std::string(buf, n), "0123");
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
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(g_packageAllocMain.Alloc(&g_packageAllocMain, 0), nullptr);
}

// Each row extracts one package into a fresh folder holding the files given
// before; a.txt is held open when asked. Entries without names (no name
// table) and names Windows refuses are skipped at once, never tried again.
TEST(Package, ExtractionTable) {
    using Files = std::vector<std::pair<std::wstring, std::string>>;
    const std::string plain = PackageBytes("plain"), stored = "stored bytes";
    Files solid = {{L"one.bin", ""}, {L"two.txt", ""}, {L"three.bin", ""}};
    for (auto& f : solid)
        ReadFileBytes(RigPath("src/solid/" + Narrow(f.first)), f.second);
    const Files plainFiles = {
        {L"a.txt", "alpha"}, {L"sub\\b.txt", "beta"}, {L"deep\\x\\y\\c.txt", "gamma"}};
    const Files oldTwoThree = {{L"2.txt", "old two"}, {L"3.txt", "old three"}};
    Files damaged = oldTwoThree;
    damaged.push_back({L"1.txt", std::string(4000, 'A')});
    // clang-format off
    struct Row {
        std::string label, bytes;
        Files before = {};
        bool holdA = false;
        int written = 0, pauses = 0, files = 0; // files: directly in the folder afterwards
        Files after = {};
    };
    std::vector<Row> rows = {
        {"plain", plain, {}, false, 3, 0, 1, plainFiles},
        {"solid", PackageBytes("solid"), {}, false, 3, 0, 3, solid},
        {"empty", PackageBytes("empty")}, {"no name table", StoredArchive(stored, nullptr)},
        {"foreign", "not a 7z archive at all"}, {"truncated", plain.substr(0, plain.size() / 2)},
        // A CRC failure keeps earlier entries and leaves later ones untouched.
        {"damaged", PackageBytes("damaged"), oldTwoThree, false, 1, 0, 3, damaged},
        // Ten attempts at a held file, which is kept intact, with no temporary file.
        {"held", plain, {{L"a.txt", "old alpha"}}, true, 2, 9, 1, {{L"a.txt", "old alpha"}}},
        {"ok.txt", StoredArchive(stored, L"ok.txt"), {}, false, 1, 0, 1, {{L"ok.txt", stored}}}};
    // clang-format on
    for (const wchar_t* refused :
         {L"", L"CON", L"aux.txt", L"sub\\nul", L"com1 .x", L"a*b.txt", L"a?b.txt", L"a|b"})
        rows.push_back({Narrow(refused), StoredArchive(stored, refused)});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        TempDir dir;
        for (const auto& f : r.before)
            ASSERT_TRUE(WriteFileBytes(dir / f.first, f.second));
        win::UniqueHandle hold(r.holdA ? CreateFileW((dir / L"a.txt").c_str(), GENERIC_READ, 0,
                                                     nullptr, OPEN_EXISTING, 0, nullptr)
                                       : INVALID_HANDLE_VALUE);
        CountedPauses pauses;
        EXPECT_EQ(Extract(dir.Path(), r.bytes), r.written);
        EXPECT_EQ(pauses.Count(), r.pauses);
        hold.Reset();
        EXPECT_EQ(CountEntries(dir.Path(), true), r.files);
        for (const auto& f : r.after)
            EXPECT_EQ(FileText(dir / f.first), f.second) << Narrow(f.first);
    }
}

TEST(Package, LauncherPackageGoesIntoTheUpdateFolder) {
    TempDir dir;
    wchar_t last[MAX_PATH] = {};
    EXPECT_EQ(Extract(dir / L"update", PackageBytes("plain"), last), 3);
    EXPECT_EQ(FileText(dir / L"update\\sub\\b.txt"), "beta");
    EXPECT_STREQ(last, (dir / L"update\\sub\\b.txt").c_str()); // the last entry
}

// A drive root (a drive letter mapped to a folder), and a folder of MAX_PATH
// - 3 characters whose file "z" still fits: GetTempFileNameW refuses folders
// longer than MAX_PATH - 14 on Windows.
TEST(Package, DriveRootAndLongFolderAreWrittenLikeAnyOther) {
    TempDir target;
    char prefix[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH), 0u);
    UnixLink drive(target.Path(), L"", std::string(prefix) + "/dosdevices/q:", L"Q:\\");
    ASSERT_TRUE(drive.Made());
    EXPECT_EQ(Extract(L"Q:\\", PackageBytes("plain")), 3);
    EXPECT_EQ(FileText(target / L"deep\\x\\y\\c.txt"), "gamma");
    EXPECT_EQ(CountEntries(target.Path(), true), 1); // a.txt, and no temporary file

    TempDir outer;
    std::wstring root = outer.Path() + L"\\";
    root += std::wstring(MAX_PATH - 3 - root.size(), L'r');
    // Past CreateDirectoryW's own limit: made in the form without one.
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root).c_str(), nullptr));
    EXPECT_EQ(Extract(root, StoredArchive("stored bytes", L"z")), 1);
    EXPECT_EQ(FileText(root + L"\\z"), "stored bytes");
    EXPECT_EQ(CountEntries(root, true), 1);
    DeleteFileW((root + L"\\z").c_str());
    RemoveDirectoryW((L"\\\\?\\" + root).c_str());
}
