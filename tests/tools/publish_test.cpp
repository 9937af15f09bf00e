// lumora_publish's Windows build run as a process, in a folder of its own:
// what its own file and process code does (finding and running 7z, copying
// reused packages, replacing the output). The rules both builds share are
// tested on the Linux build (tests/native), whose output the Windows build's
// must match (native_match_test.cpp).
#include "support/launcher_dir.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

// Runs the publishing command in dir; the rig's 7z stand-in comes through LUMORA_7Z.
int Publish(const TempDir& dir, const std::wstring& args, std::string* output, bool shim = true) {
    SetEnvironmentVariableW(L"LUMORA_7Z", shim ? BinaryPath(SEVEN_ZIP_SHIM).c_str() : nullptr);
    return RunProgram(BinaryPath(PUBLISH_EXE), args, dir.Path(), 120000, output);
}

void MakeRelease(const TempDir& dir) {
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    CreateDirectoryW((dir / L"rel\\bin").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "game code"));
}

} // namespace

// Republished into its own previous output: a copy is told apart from a
// package built again by its mark. The option names the program when
// LUMORA_7Z is not set.
TEST(Publish, ReusesUnchangedPackagesAndReplacesTheOutput) {
    TempDir dir;
    MakeRelease(dir);
    std::string output;
    const std::wstring option = L"--sevenzip=" + Quote(BinaryPath(SEVEN_ZIP_SHIM));
    ASSERT_EQ(Publish(dir, option + L" rel 5 out", &output, false), 0) << output;
    ASSERT_TRUE(WriteFileBytes(dir / L"out\\5\\readme.7z", "previous package"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "new game code"));
    ASSERT_EQ(Publish(dir, L"rel 6 out out", &output), 0) << output;
    EXPECT_EQ(FileText(dir / L"out\\6\\readme.7z"), "previous package");
    EXPECT_EQ(FileText(dir / L"out\\6\\bin\\game.7z").rfind("7z\xBC\xAF\x27\x1C", 0), 0u);
    EXPECT_FALSE(FileExists(dir / L"out\\5\\readme.7z"));
    EXPECT_EQ(CountEntries(dir.Path()), 2); // rel and out, nothing staged left over
}

// Each refusal exits non-zero, names its cause, and leaves the output as it was.
TEST(Publish, RefusalsLeaveTheOutputAlone) {
    const struct Row {
        std::wstring args;
        const char* says;
        bool shim;
    } rows[] = {
        {L"nowhere 5 out", "nowhere\" is missing or not a folder", true},
        {L"--sevenzip=no\\7z.exe rel 5 out", "7z.exe\" not found", true},
        {L"rel 5 out", "7z program not found", false}, // none on the rig's PATH
        // Any Windows program that refuses 7z's arguments stands in for a failing 7z.
        {L"--sevenzip=C:\\windows\\system32\\reg.exe rel 5 out", "failed with exit code", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.args));
        TempDir dir;
        MakeRelease(dir);
        CreateDirectoryW((dir / L"out").c_str(), nullptr);
        WriteFileBytes(dir / L"out\\keep", "kept");
        std::string output;
        EXPECT_NE(Publish(dir, row.args, &output, row.shim), 0);
        EXPECT_NE(output.find(row.says), std::string::npos) << output;
        EXPECT_EQ(FileText(dir / L"out\\keep"), "kept");
        EXPECT_EQ(CountEntries(dir / L"out"), 1);
        EXPECT_EQ(CountEntries(dir.Path()), 2);
    }
}
