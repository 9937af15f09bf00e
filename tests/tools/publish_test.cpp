#include "core/saved_state.h"
#include "core/static_config.h"
#include "core/text.h"
#include "support/test_support.h"
#include "update/md5.h"
#include "update/package.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace testing_support;

namespace {

struct ToolRun {
    int code;
    std::string output;
};

std::wstring Quote(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

// Runs the publishing command with the rig's 7z stand-in.
ToolRun Publish(const std::wstring& args, bool useShim = true) {
    SetEnvironmentVariableW(L"LUMORA_7Z", useShim ? BinaryPath(SEVEN_ZIP_SHIM).c_str() : nullptr);
    ToolRun r;
    r.code = RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, &r.output);
    return r;
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

std::string Md5Of(const std::wstring& path) {
    char text[33] = {};
    return FileMd5Hex(path.c_str(), text) ? text : "<unreadable>";
}

// Names directly in dir: leftovers of an interrupted run would show here.
int CountEntries(const std::wstring& dir) {
    WIN32_FIND_DATAW f;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &f);
    int n = 0;
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (wcscmp(f.cFileName, L".") && wcscmp(f.cFileName, L"..")) ++n;
    } while (FindNextFileW(h, &f));
    FindClose(h);
    return n;
}

// A package unpacked the way the launcher does it.
std::string Unpacked(const std::wstring& package, const std::wstring& member) {
    TempDir into;
    RECT work = {0, 0, 1920, 1040};
    g_savedState.InitSavedStateWith((into.Path() + L"\\Lumora2.exe").c_str(), g_staticConfig, work);
    std::string bytes = Read(package);
    wchar_t newLauncher[MAX_PATH] = {};
    if (ExtractPackage(bytes.data(), bytes.size(), false, newLauncher) != 1) return "<not 1 file>";
    return Read(into / member);
}

void MakeRelease(const TempDir& dir) {
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    CreateDirectoryW((dir / L"rel\\bin").c_str(), nullptr);
    CreateDirectoryW((dir / L"rel\\data").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "game code"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\data\\a.b.c", "data"));
}

} // namespace

TEST(Publish, WritesSortedManifestAndOnePackagePerFile) {
    TempDir dir;
    MakeRelease(dir);
    ToolRun r = Publish(Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"));
    ASSERT_EQ(r.code, 0) << r.output;
    std::string expected = "{\"version\": 5, \"files\": {\n"
                           "  \"bin\\\\game.dll\": \"" +
                           Md5Of(dir / L"rel\\bin\\game.dll") +
                           "\",\n"
                           "  \"data\\\\a.b.c\": \"" +
                           Md5Of(dir / L"rel\\data\\a.b.c") +
                           "\",\n"
                           "  \"readme\": \"" +
                           Md5Of(dir / L"rel\\readme") + "\"\n}}\n";
    EXPECT_EQ(Read(dir / L"out\\update.json"), expected);
    EXPECT_EQ(Unpacked(dir / L"out\\5\\bin\\game.7z", L"bin\\game.dll"), "game code");
    EXPECT_EQ(Unpacked(dir / L"out\\5\\data\\a.b.7z", L"data\\a.b.c"), "data");
    EXPECT_EQ(Unpacked(dir / L"out\\5\\readme.7z", L"readme"), "read me");
    EXPECT_EQ(CountEntries(dir.Path()), 2); // rel and out, nothing staged left over
}

TEST(Publish, UnchangedFilesReuseThePreviousPackage) {
    TempDir dir;
    MakeRelease(dir);
    ASSERT_EQ(Publish(Quote(dir / L"rel") + L" 5 " + Quote(dir / L"v5")).code, 0);
    // Marked so that a copy is told apart from a package built again.
    ASSERT_TRUE(WriteFileBytes(dir / L"v5\\5\\readme.7z", "previous package"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "new game code"));
    ToolRun r =
        Publish(Quote(dir / L"rel") + L" 6 " + Quote(dir / L"v6") + L" " + Quote(dir / L"v5"));
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Read(dir / L"v6\\6\\readme.7z"), "previous package");
    EXPECT_EQ(Unpacked(dir / L"v6\\6\\bin\\game.7z", L"bin\\game.dll"), "new game code");
    EXPECT_NE(Read(dir / L"v6\\update.json").find(Md5Of(dir / L"rel\\bin\\game.dll")),
              std::string::npos);
}

TEST(Publish, RepublishingIntoThePreviousOutputReplacesIt) {
    TempDir dir;
    MakeRelease(dir);
    ASSERT_EQ(Publish(Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out")).code, 0);
    ToolRun r =
        Publish(Quote(dir / L"rel") + L" 7 " + Quote(dir / L"out") + L" " + Quote(dir / L"out"));
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Read(dir / L"out\\update.json").rfind("{\"version\": 7,", 0), 0u);
    EXPECT_TRUE(FileExists(dir / L"out\\7\\readme.7z"));
    EXPECT_FALSE(FileExists(dir / L"out\\5\\readme.7z"));
    EXPECT_EQ(CountEntries(dir.Path()), 2);
}

// Each failure exits non-zero, names the cause, and leaves the output as it was.
struct Failure {
    int code;
    std::string output;
    bool untouched;
};

Failure PublishFailing(const TempDir& dir, const std::wstring& args, bool useShim = true) {
    CreateDirectoryW((dir / L"out").c_str(), nullptr);
    WriteFileBytes(dir / L"out\\keep", "kept");
    int before = CountEntries(dir.Path());
    ToolRun r = Publish(args, useShim);
    bool untouched = Read(dir / L"out\\keep") == "kept" && CountEntries(dir / L"out") == 1 &&
                     CountEntries(dir.Path()) == before;
    return {r.code, r.output, untouched};
}

// The refusal names its cause and leaves the output as it was.
void ExpectRefused(const Failure& f, std::initializer_list<const char*> says) {
    EXPECT_NE(f.code, 0);
    for (const char* text : says)
        EXPECT_NE(f.output.find(text), std::string::npos) << f.output;
    EXPECT_TRUE(f.untouched);
}

TEST(PublishErrors, MissingReleaseFolder) {
    TempDir dir;
    Failure f = PublishFailing(dir, Quote(dir / L"nowhere") + L" 5 " + Quote(dir / L"out"));
    ExpectRefused(f, {"release folder", "nowhere"});
}

TEST(PublishErrors, PackageNamesCollide) {
    TempDir dir;
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    WriteFileBytes(dir / L"rel\\a.txt", "1");
    WriteFileBytes(dir / L"rel\\a.dat", "2");
    Failure f = PublishFailing(dir, Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"));
    ExpectRefused(f, {"a.txt", "a.dat", "a.7z"});
}

TEST(PublishErrors, NameTooLong) {
    TempDir dir;
    std::wstring folder(120, L'f'), file(150, L'n');
    std::wstring longDir = L"\\\\?\\" + (dir / L"rel\\") + folder;
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(longDir.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(longDir + L"\\" + file, "x"));
    Failure f = PublishFailing(dir, Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"));
    const std::string name = Narrow(file);
    ExpectRefused(f, {"longer than 259 characters", name.c_str()});
    DeleteFileW((longDir + L"\\" + file).c_str());
    RemoveDirectoryW(longDir.c_str());
}

TEST(PublishErrors, VersionNotAboveThePrevious) {
    TempDir dir;
    MakeRelease(dir);
    ASSERT_EQ(Publish(Quote(dir / L"rel") + L" 5 " + Quote(dir / L"v5")).code, 0);
    for (const wchar_t* version : {L"5", L"4"}) {
        Failure f = PublishFailing(dir, Quote(dir / L"rel") + L" " + version + L" " +
                                            Quote(dir / L"out") + L" " + Quote(dir / L"v5"));
        ExpectRefused(f, {"not above the previous version 5"});
    }
}

TEST(PublishErrors, SevenZipMissing) {
    TempDir dir;
    MakeRelease(dir);
    Failure f = PublishFailing(dir, L"--sevenzip=" + Quote(dir / L"no\\7z.exe") + L" " +
                                        Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"));
    ExpectRefused(f, {"7z program", "not found"});

    // Nothing named and nothing on the rig's PATH.
    f = PublishFailing(dir, Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"), false);
    ExpectRefused(f, {"7z program not found"});
}

TEST(Publish, SevenZipOptionNamesTheProgram) {
    TempDir dir;
    MakeRelease(dir);
    ToolRun r = Publish(L"--sevenzip=" + Quote(BinaryPath(SEVEN_ZIP_SHIM)) + L" " +
                            Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"),
                        false);
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Unpacked(dir / L"out\\5\\readme.7z", L"readme"), "read me");
}

TEST(PublishErrors, SevenZipFails) {
    TempDir dir;
    MakeRelease(dir);
    // Any Windows program that refuses 7z's arguments stands in for a failing 7z.
    Failure f = PublishFailing(dir, L"--sevenzip=C:\\windows\\system32\\reg.exe " +
                                        Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"));
    ExpectRefused(f, {"failed with exit code"});
}
