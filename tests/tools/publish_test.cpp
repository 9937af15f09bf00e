// lumora_publish run as a process with the rig's 7z stand-in, and the
// launcher's own update run consuming what it wrote from the test server.
#include "support/test_support.h"
#include "update/update.h"
#include "update/update_test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::wstring Quote(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

// Runs the publishing command; the rig's 7z stand-in comes through LUMORA_7Z.
int Publish(const std::wstring& args, std::string* output, bool useShim = true) {
    SetEnvironmentVariableW(L"LUMORA_7Z", useShim ? BinaryPath(SEVEN_ZIP_SHIM).c_str() : nullptr);
    return RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, output);
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

std::string Md5Of(const std::wstring& path) {
    return update_test::Md5Of(Read(path));
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

void MakeRelease(const std::wstring& rel) {
    CreateDirectoryW(rel.c_str(), nullptr);
    CreateDirectoryW((rel + L"\\bin").c_str(), nullptr);
    CreateDirectoryW((rel + L"\\data").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(rel + L"\\readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(rel + L"\\bin\\game.dll", "game code"));
    ASSERT_TRUE(WriteFileBytes(rel + L"\\data\\a.b.c", "data"));
}

} // namespace

TEST(Publish, WritesSortedManifestAndReusesUnchangedPackages) {
    TempDir dir;
    MakeRelease(dir / L"rel");
    std::string output;
    // The option names the program when LUMORA_7Z is not set.
    ASSERT_EQ(Publish(L"--sevenzip=" + Quote(BinaryPath(SEVEN_ZIP_SHIM)) + L" " +
                          Quote(dir / L"rel") + L" 5 " + Quote(dir / L"out"),
                      &output, false),
              0)
        << output;
    EXPECT_EQ(Read(dir / L"out\\update.json"),
              "{\"version\": 5, \"files\": {\n  \"bin\\\\game.dll\": \"" +
                  Md5Of(dir / L"rel\\bin\\game.dll") + "\",\n  \"data\\\\a.b.c\": \"" +
                  Md5Of(dir / L"rel\\data\\a.b.c") + "\",\n  \"readme\": \"" +
                  Md5Of(dir / L"rel\\readme") + "\"\n}}\n");
    EXPECT_EQ(Read(dir / L"out\\5\\data\\a.b.7z").compare(0, 6, "7z\xBC\xAF\x27\x1C"), 0);

    // Republished into its own previous output: a copy is told apart from a
    // package built again by its mark.
    ASSERT_TRUE(WriteFileBytes(dir / L"out\\5\\readme.7z", "previous package"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "new game code"));
    ASSERT_EQ(
        Publish(Quote(dir / L"rel") + L" 6 " + Quote(dir / L"out") + L" " + Quote(dir / L"out"),
                &output),
        0)
        << output;
    EXPECT_EQ(Read(dir / L"out\\6\\readme.7z"), "previous package");
    EXPECT_NE(Read(dir / L"out\\6\\bin\\game.7z"), Read(dir / L"out\\6\\readme.7z"));
    EXPECT_EQ(Read(dir / L"out\\update.json").rfind("{\"version\": 6,", 0), 0u);
    EXPECT_NE(Read(dir / L"out\\update.json").find(Md5Of(dir / L"rel\\bin\\game.dll")),
              std::string::npos);
    EXPECT_FALSE(FileExists(dir / L"out\\5\\readme.7z"));
    EXPECT_EQ(CountEntries(dir.Path()), 2); // rel and out, nothing staged left over
}

// Each refusal exits non-zero, names its cause, and leaves the output as it was.
TEST(Publish, RefusalsLeaveTheOutputAlone) {
    const std::wstring longFile(150, L'n');
    // Publishes version 5, then asks for the given one over it.
    auto NotAbove = [](const wchar_t* version) {
        return [version](const TempDir& d) {
            MakeRelease(d / L"rel");
            std::string output;
            EXPECT_EQ(Publish(Quote(d / L"rel") + L" 5 " + Quote(d / L"v5"), &output), 0);
            return Quote(d / L"rel") + L" " + version + L" " + Quote(d / L"out") + L" " +
                   Quote(d / L"v5");
        };
    };
    const struct Row {
        const char* name;
        std::function<std::wstring(const TempDir&)> setUp; // the arguments
        std::vector<std::string> says;
        bool useShim;
    } rows[] = {
        {"no release folder",
         [](const TempDir& d) { return Quote(d / L"nowhere") + L" 5 " + Quote(d / L"out"); },
         {"release folder", "nowhere"},
         true},
        {"package names collide",
         [](const TempDir& d) {
             CreateDirectoryW((d / L"rel").c_str(), nullptr);
             WriteFileBytes(d / L"rel\\a.txt", "1");
             WriteFileBytes(d / L"rel\\a.dat", "2");
             return Quote(d / L"rel") + L" 5 " + Quote(d / L"out");
         },
         {"a.txt", "a.dat", "a.7z"},
         true},
        {"name too long",
         [&](const TempDir& d) {
             std::wstring longDir = L"\\\\?\\" + (d / L"rel\\") + std::wstring(120, L'f');
             CreateDirectoryW((d / L"rel").c_str(), nullptr);
             CreateDirectoryW(longDir.c_str(), nullptr);
             WriteFileBytes(longDir + L"\\" + longFile, "x");
             return Quote(d / L"rel") + L" 5 " + Quote(d / L"out");
         },
         {"longer than 259 characters", Narrow(longFile)},
         true},
        {"version equal to the previous",
         NotAbove(L"5"),
         {"not above the previous version 5"},
         true},
        {"version below the previous", NotAbove(L"4"), {"not above the previous version 5"}, true},
        {"named 7z missing",
         [](const TempDir& d) {
             MakeRelease(d / L"rel");
             return L"--sevenzip=" + Quote(d / L"no\\7z.exe") + L" " + Quote(d / L"rel") + L" 5 " +
                    Quote(d / L"out");
         },
         {"7z program", "not found"},
         true},
        {"no 7z named and none on the rig's PATH",
         [](const TempDir& d) {
             MakeRelease(d / L"rel");
             return Quote(d / L"rel") + L" 5 " + Quote(d / L"out");
         },
         {"7z program not found"},
         false},
        // Any Windows program that refuses 7z's arguments stands in for a failing 7z.
        {"7z fails",
         [](const TempDir& d) {
             MakeRelease(d / L"rel");
             return L"--sevenzip=C:\\windows\\system32\\reg.exe " + Quote(d / L"rel") + L" 5 " +
                    Quote(d / L"out");
         },
         {"failed with exit code"},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        std::wstring args = row.setUp(dir);
        CreateDirectoryW((dir / L"out").c_str(), nullptr);
        WriteFileBytes(dir / L"out\\keep", "kept");
        int before = CountEntries(dir.Path());
        std::string output;
        EXPECT_NE(Publish(args, &output, row.useShim), 0);
        for (const std::string& text : row.says)
            EXPECT_NE(output.find(text), std::string::npos) << output;
        EXPECT_EQ(Read(dir / L"out\\keep"), "kept");
        EXPECT_EQ(CountEntries(dir / L"out"), 1);
        EXPECT_EQ(CountEntries(dir.Path()), before);
        RemoveTree(L"\\\\?\\" + (dir / L"rel")); // names too long for the plain path
    }
}

TEST(Publish, LauncherUpdatesFromThePublishedOutput) {
    TempDir release, launcher;
    MakeRelease(release.Path());
    const std::string name = "published-" + std::to_string(GetCurrentProcessId());
    const std::wstring out = update_test::RigPath("www/" + name);
    std::string output;
    ASSERT_EQ(Publish(Quote(release.Path()) + L" 3 " + Quote(out), &output), 0) << output;

    update_test::UseLauncherDir(launcher.Path(), update_test::ServerUrl(name + "/"));
    EXPECT_FALSE(RunUpdate(2)); // no launcher among the files: nothing to restart
    EXPECT_EQ(Read(launcher / L"readme"), "read me");
    EXPECT_EQ(Read(launcher / L"bin\\game.dll"), "game code");
    EXPECT_EQ(Read(launcher / L"data\\a.b.c"), "data");

    // The next version, published over the same output, brings only the change.
    ASSERT_TRUE(WriteFileBytes(release / L"bin\\game.dll", "new game code"));
    ASSERT_EQ(Publish(Quote(release.Path()) + L" 4 " + Quote(out) + L" " + Quote(out), &output), 0)
        << output;
    const size_t before = update_test::RequestsFor("/" + name + "/4/").size();
    EXPECT_FALSE(RunUpdate(3));
    EXPECT_EQ(Read(launcher / L"bin\\game.dll"), "new game code");
    EXPECT_EQ(Read(launcher / L"readme"), "read me");
    std::vector<update_test::Request> fetched = update_test::RequestsFor("/" + name + "/4/");
    ASSERT_GT(fetched.size(), before);
    for (size_t i = before; i < fetched.size(); ++i)
        EXPECT_NE(fetched[i].target.find("bin/game.7z"), std::string::npos) << fetched[i].target;
    RemoveTree(out);
}
