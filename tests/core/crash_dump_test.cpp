#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_support;

namespace {

// True when the minidump holds an exception stream (stream type 6).
bool HasExceptionStream(const std::string& dump) {
    if (dump.size() < 32 || dump.compare(0, 4, "MDMP") != 0) return false;
    unsigned count = 0, rva = 0;
    memcpy(&count, dump.data() + 8, 4);
    memcpy(&rva, dump.data() + 12, 4);
    for (unsigned i = 0; i < count && rva + 12 * (i + 1) <= dump.size(); ++i) {
        unsigned type = 0;
        memcpy(&type, dump.data() + rva + 12 * i, 4);
        if (type == 6) return true;
    }
    return false;
}

} // namespace

TEST(CrashDump, CrashInWindowProcedureLeavesDumpAndExitsZero) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"MiniDump.dmp", "old dump")); // replaced
    std::string output;
    int code =
        RunProgram(BinaryPath("tests/core/crash_probe.exe"), L"", dir.Path(), 60000, &output);
    EXPECT_EQ(0, code);
    EXPECT_NE(std::string::npos, output.find("Minidump created.")) << output;
    EXPECT_EQ(std::string::npos, output.find("phase returned")) << output;
    std::string dump;
    ASSERT_TRUE(ReadFileBytes(dir / L"MiniDump.dmp", dump));
    EXPECT_TRUE(HasExceptionStream(dump));
}

TEST(CrashDump, UnwritableDirectoryReportsCreateFileFailure) {
    TempDir dir;
    // A directory named like the dump makes the file impossible to create.
    ASSERT_TRUE(CreateDirectoryW((dir / L"MiniDump.dmp").c_str(), nullptr));
    std::string output;
    int code =
        RunProgram(BinaryPath("tests/core/crash_probe.exe"), L"", dir.Path(), 60000, &output);
    EXPECT_EQ(0, code);
    EXPECT_NE(std::string::npos, output.find("CreateFile failed. Error: ")) << output;
}
