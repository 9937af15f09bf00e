#include "core/text.h"
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/entry_name.h"
#include "update/md5.h"
#include "update/package.h"
#include "update/package_name.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <sstream>
#include <utility>
#include <vector>

using namespace testing_support;

// Our digest against md5sum's for the fixture's files, and any split of the
// input gives the same digest; a missing file or a folder leaves the text as it was.
TEST(Md5, FileDigestsAndAnySplit) {
    std::istringstream lines(FileText(RigPath("pkgs/digests.txt")));
    std::string digest, name;
    int files = 0;
    for (char text[33] = {}; lines >> digest >> name; ++files)
        EXPECT_TRUE(FileMd5Hex(RigPath("src/digest/" + name).c_str(), text) && digest == text)
            << name;
    EXPECT_EQ(files, 6);
    char text[33] = "x";
    EXPECT_FALSE(FileMd5Hex(RigPath("src/digest/missing").c_str(), text));
    EXPECT_FALSE(FileMd5Hex(RigPath("src/digest").c_str(), text));
    EXPECT_STREQ(text, "x");
    const std::string data = FileText(RigPath("src/digest/r3145741.bin")).substr(0, 1000);
    for (size_t step : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u})
        EXPECT_EQ(Md5Of(data, step), Md5Of(data)) << "step " << step;
}

// The shell's name, which the package naming replaces so that the publishing
// tool names packages alike on Linux.
static bool ShellName(const wchar_t* member, wchar_t* out) {
    out[0] = L'\0';
    wchar_t name[MAX_PATH] = {}, canon[MAX_PATH] = {};
    if (!member[0] || !CopyText(name, member) || !PathCanonicalizeW(canon, name)) return false;
    PathRemoveExtensionW(canon);
    return AppendText(canon, L".7z") && CopyText(out, MAX_PATH, canon);
}

TEST(PackageName, AgreesWithTheShell) {
    const std::wstring x256(256, L'x');
    // clang-format off
    std::vector<std::wstring> names = {x256, x256 + L"x", x256 + L"x.t", x256 + L"xx.t",
        x256 + x256.substr(212), x256.substr(1) + L".txt", L"a\\" + x256.substr(2) + L".b"};
    // clang-format on
    // The names between the bars, the last one empty.
    std::wstring list =
        L"readme|a.b.c|A.TXT|Bin\\Game.DLL|a.|a..|a...b|dir\\a.|.a|dir\\.hidden|a.b\\c|"
        L"dir.\\x|a b.c d|a .b|. .|a\\.\\b.c|.\\a.b|a\\b\\.|\\a.b|a\\\\b.c|a/b.c|a.b/c|"
        L"d\\e\\f\\g.h.i||";
    for (size_t at = 0, bar; (bar = list.find(L'|', at)) != std::wstring::npos; at = bar + 1)
        names.push_back(list.substr(at, bar - at));
    for (const std::wstring& name : names) {
        SCOPED_TRACE(testing::Message() << name.size() << " characters: " << name.substr(0, 40));
        wchar_t ours[MAX_PATH] = L"x", shell[MAX_PATH];
        EXPECT_EQ(PackageNameForMember(name.c_str(), ours, MAX_PATH),
                  ShellName(name.c_str(), shell));
        EXPECT_STREQ(ours, shell);
    }
    // A member that climbs out of its folder is refused outright.
    wchar_t out[MAX_PATH] = L"x";
    EXPECT_FALSE(PackageNameForMember(L"a\\..\\b.c", out, MAX_PATH));
    EXPECT_STREQ(out, L"");
    EXPECT_FALSE(PackageNameForMember(L"a.b", out, 4)); // "a.7z" needs 5
    EXPECT_TRUE(PackageNameForMember(L"a.b", out, 5));
}

static int Extract(const std::wstring& root, const std::string& bytes, wchar_t* last = nullptr) {
    return ExtractPackage(root.c_str(), bytes.data(), bytes.size(), last);
}

TEST(Package, EntryNamesThatEscapeTheRootAreRefused) {
    for (const wchar_t* name : {L"a.txt", L"sub\\b.txt", L"sub/b.txt", L"a..b.txt"})
        EXPECT_TRUE(IsSafeEntryName(name)) << Narrow(name);
    for (const wchar_t* name :
         {L"..\\..\\x.dll", L"../x.dll", L"sub/../../x", L"\\abs.txt", L"/abs.txt",
          L"\\\\host\\s\\x", L"C:\\x.dll", L"C:x.dll", L"a\\...\\x", L"a\\. .\\x", L"", L"CON",
          L"aux.txt", L"sub\\nul", L"com1 .x", L"a*b.txt", L"a?b.txt", L"a|b"})
        EXPECT_FALSE(IsSafeEntryName(name)) << Narrow(name);
}

TEST(Package, JoinedPathsStayBelowTheRootDriveRootsIncluded) {
    // clang-format off
    const wchar_t* const cases[][3] = { // root, name, joined (empty: refused)
        {L"Q:\\", L"a.txt", L"Q:\\a.txt"}, {L"Q:\\", L"sub\\b.txt", L"Q:\\sub\\b.txt"},
        {L"C:\\game", L"a.txt", L"C:\\game\\a.txt"}, {L"C:\\game", L"..\\gamex\\a.txt", L""},
        {L"C:\\game\\", L"..\\gamex\\a.txt", L""}, {L"C:\\game", L"..\\..\\x.dll", L""},
        {L"Q:\\", L"", L""}, {L"C:\\game", L"..\\game\\a.txt", L"C:\\game\\a.txt"}};
    // clang-format on
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = {};
        EXPECT_STREQ(JoinPathChecked(out, c[0], c[1]) ? out : L"", c[2])
            << Narrow(c[0]) << " + " << Narrow(c[1]);
    }
}

TEST(Package, MemoryInStreamReadsAndClampsSeeks) {
    MemoryInStream s;
    MemoryInStream_Init(&s, "0123456789", 10);
    char buf[16] = {};
    size_t n = 4;
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(std::string(buf, n), "0123");
    const Int64 seeks[][3] = {{3, SZ_SEEK_SET, 3},   {2, SZ_SEEK_CUR, 5},   {-1, SZ_SEEK_END, 9},
                              {-50, SZ_SEEK_CUR, 0}, {50, SZ_SEEK_SET, 10}, {5, SZ_SEEK_END, 10}};
    for (const auto& c : seeks) { // offset, origin, position after
        Int64 pos = c[0];
        EXPECT_EQ(s.vt.Seek(&s.vt, &pos, static_cast<ESzSeek>(c[1])), SZ_OK);
        EXPECT_EQ(pos, c[2]);
    }
    EXPECT_EQ(s.vt.Read(&s.vt, buf, &n), SZ_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(g_packageAllocMain.Alloc(&g_packageAllocMain, 0), nullptr);
}
// Each row extracts one package into a fresh folder holding the files given
// before. Entries without names and names Windows refuses are never tried again.
TEST(Package, ExtractionTable) {
    using Files = std::vector<std::pair<std::wstring, std::string>>;
    const std::string plain = PackageBytes("plain"), stored = "stored bytes";
    Files solid = {{L"one.bin", ""}, {L"two.txt", ""}, {L"three.bin", ""}};
    for (auto& f : solid)
        f.second = FileText(RigPath("src/solid/" + Narrow(f.first)));
    const Files damaged = {
        {L"2.txt", "old two"}, {L"3.txt", "old three"}, {L"1.txt", std::string(4000, 'A')}};
    // clang-format off
    struct Row {
        std::string label, bytes;
        Files before = {};
        int written = 0, pauses = 0, files = 0; // files: directly in the folder afterwards
        Files after = {};
    };
    const Row rows[] = {
        {"plain", plain, {}, 3, 0, 1,
         {{L"a.txt", "alpha"}, {L"sub\\b.txt", "beta"}, {L"deep\\x\\y\\c.txt", "gamma"}}},
        {"solid", PackageBytes("solid"), {}, 3, 0, 3, solid},
        {"empty", PackageBytes("empty")}, {"no name table", StoredArchive(stored, nullptr)},
        {"foreign", "not a 7z archive at all"}, {"truncated", plain.substr(0, plain.size() / 2)},
        // A CRC failure keeps earlier entries and leaves later ones untouched.
        {"damaged", PackageBytes("damaged"), {damaged[0], damaged[1]}, 1, 0, 3, damaged},
        // a.txt held open: ten attempts, and it is kept intact, with no temporary file.
        {"held", plain, {{L"a.txt", "old alpha"}}, 2, 9, 1, {{L"a.txt", "old alpha"}}},
        {"ok.txt", StoredArchive(stored, L"ok.txt"), {}, 1, 0, 1, {{L"ok.txt", stored}}},
        {"aux.txt", StoredArchive(stored, L"aux.txt")}};
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        TempDir dir;
        for (const auto& f : r.before)
            ASSERT_TRUE(WriteFileBytes(dir / f.first, f.second));
        win::UniqueHandle hold(r.pauses ? CreateFileW((dir / L"a.txt").c_str(), GENERIC_READ, 0,
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

// A drive root (a letter mapped to a folder), and a folder of MAX_PATH - 3 characters:
// GetTempFileNameW refuses folders longer than MAX_PATH - 14 on Windows.
TEST(Package, DriveRootAndLongFolderAreWrittenLikeAnyOther) {
    TempDir target;
    char prefix[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH), 0u);
    UnixLink drive(target.Path(), L"", std::string(prefix) + "/dosdevices/q:", L"Q:\\");
    ASSERT_TRUE(drive.Made());
    wchar_t last[MAX_PATH] = {};
    EXPECT_EQ(Extract(L"Q:\\", PackageBytes("plain"), last), 3);
    EXPECT_STREQ(last, L"Q:\\sub\\b.txt"); // the last entry written
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
