// lumora_publish run as a process with the rig's 7z stand-in.
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/package.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Runs the publishing command; the rig's 7z stand-in comes through LUMORA_7Z.
int Publish(const std::wstring& args, std::string* output, bool useShim = true) {
    SetEnvironmentVariableW(L"LUMORA_7Z", useShim ? BinaryPath(SEVEN_ZIP_SHIM).c_str() : nullptr);
    return RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, output);
}

// The arguments in spec, each "@name" replaced by the quoted path of name in dir.
std::wstring Args(const TempDir& dir, const std::wstring& spec) {
    std::wistringstream in(spec);
    std::wstring all, word;
    while (in >> word) {
        size_t at = word.find(L'@');
        if (at != std::wstring::npos) word = word.substr(0, at) + Quote(dir / word.substr(at + 1));
        all += (all.empty() ? L"" : L" ") + word;
    }
    return all;
}

void MakeRelease(const std::wstring& rel) {
    for (const wchar_t* folder : {L"", L"\\bin", L"\\data"})
        CreateDirectoryW((rel + folder).c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(rel + L"\\readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(rel + L"\\bin\\game.dll", "game code"));
    ASSERT_TRUE(WriteFileBytes(rel + L"\\data\\a.b.c", "data"));
}

} // namespace

TEST(Publish, WritesSortedManifestAndReusesUnchangedPackages) {
    TempDir dir, got;
    MakeRelease(dir / L"rel");
    std::string output;
    auto md5 = [&](const wchar_t* file) { return Md5Of(FileText(dir / L"rel\\" + file)); };
    // The option names the program when LUMORA_7Z is not set.
    const std::wstring option = L"--sevenzip=" + Quote(BinaryPath(SEVEN_ZIP_SHIM)) + L" ";
    ASSERT_EQ(Publish(option + Args(dir, L"@rel 5 @out"), &output, false), 0) << output;
    EXPECT_EQ(FileText(dir / L"out\\update.json"),
              "{\"version\": 5, \"files\": {\n  \"bin\\\\game.dll\": \"" + md5(L"bin\\game.dll") +
                  "\",\n  \"data\\\\a.b.c\": \"" + md5(L"data\\a.b.c") + "\",\n  \"readme\": \"" +
                  md5(L"readme") + "\"\n}}\n");
    // Each package unpacks, as the launcher does, to its file at its path.
    const wchar_t* const packages[][2] = {
        {L"readme", L"readme"}, {L"bin\\game.dll", L"bin\\game"}, {L"data\\a.b.c", L"data\\a.b"}};
    for (const auto& f : packages) {
        std::string bytes = FileText(dir / L"out\\5\\" + f[1] + L".7z");
        EXPECT_EQ(ExtractPackage(got.Path().c_str(), bytes.data(), bytes.size(), nullptr), 1);
        EXPECT_EQ(FileText(got / f[0]), FileText(dir / L"rel\\" + f[0]));
    }

    // Republished into its own previous output: a copy is told apart from a
    // package built again by its mark.
    ASSERT_TRUE(WriteFileBytes(dir / L"out\\5\\readme.7z", "previous package"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "new game code"));
    ASSERT_EQ(Publish(Args(dir, L"@rel 6 @out @out"), &output), 0) << output;
    EXPECT_EQ(FileText(dir / L"out\\6\\readme.7z"), "previous package");
    EXPECT_NE(FileText(dir / L"out\\6\\bin\\game.7z"), FileText(dir / L"out\\6\\readme.7z"));
    EXPECT_EQ(FileText(dir / L"out\\update.json").rfind("{\"version\": 6,", 0), 0u);
    EXPECT_NE(FileText(dir / L"out\\update.json").find(md5(L"bin\\game.dll")), std::string::npos);
    EXPECT_FALSE(FileExists(dir / L"out\\5\\readme.7z"));
    EXPECT_EQ(CountEntries(dir.Path()), 2); // rel and out, nothing staged left over
}

// Each refusal exits non-zero, names its cause, and leaves the output as it was.
TEST(Publish, RefusalsLeaveTheOutputAlone) {
    const std::wstring longFile(150, L'n');
    const struct Row {
        std::string layout; // what is laid out in the folder first
        std::wstring args;  // "@name" stands for the quoted path of name in the folder
        std::vector<std::string> says;
        bool useShim = true;
    } rows[] = {
        {"", L"@nowhere 5 @out", {"release folder", "nowhere"}},
        {"collide", L"@rel 5 @out", {"a.txt", "a.dat", "a.7z"}},
        {"long", L"@rel 5 @out", {"longer than 259 characters", Narrow(longFile)}},
        {"v5", L"@rel 5 @out @v5", {"not above the previous version 5"}},
        {"v5", L"@rel 4 @out @v5", {"not above the previous version 5"}},
        {"release", L"--sevenzip=@no\\7z.exe @rel 5 @out", {"7z program", "not found"}},
        {"release", L"@rel 5 @out", {"7z program not found"}, false}, // none on the rig's PATH
        // Any Windows program that refuses 7z's arguments stands in for a failing 7z.
        {"release",
         L"--sevenzip=C:\\windows\\system32\\reg.exe @rel 5 @out",
         {"failed with exit code"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.args));
        TempDir dir;
        std::string output;
        CreateDirectoryW((dir / L"rel").c_str(), nullptr);
        if (row.layout == "release" || row.layout == "v5") MakeRelease(dir / L"rel");
        ASSERT_TRUE(row.layout != "v5" || Publish(Args(dir, L"@rel 5 @v5"), &output) == 0)
            << output;
        if (row.layout == "collide") {
            WriteFileBytes(dir / L"rel\\a.txt", "1");
            WriteFileBytes(dir / L"rel\\a.dat", "2");
        }
        const std::wstring longDir = L"\\\\?\\" + (dir / L"rel\\") + std::wstring(120, L'f');
        if (row.layout == "long") {
            CreateDirectoryW(longDir.c_str(), nullptr);
            ASSERT_TRUE(WriteFileBytes(longDir + L"\\" + longFile, "x"));
        }
        CreateDirectoryW((dir / L"out").c_str(), nullptr);
        WriteFileBytes(dir / L"out\\keep", "kept");
        int before = CountEntries(dir.Path());
        EXPECT_NE(Publish(Args(dir, row.args), &output, row.useShim), 0);
        for (const std::string& text : row.says)
            EXPECT_NE(output.find(text), std::string::npos) << output;
        EXPECT_EQ(FileText(dir / L"out\\keep"), "kept");
        EXPECT_EQ(CountEntries(dir / L"out"), 1);
        EXPECT_EQ(CountEntries(dir.Path()), before);
        RemoveTree(L"\\\\?\\" + (dir / L"rel")); // names too long for the plain path
    }
}
