#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

// A crash inside a window procedure leaves a minidump with an exception stream
// and the process still exits with 0; when the dump cannot be written, it says so.
TEST(CrashDump, CrashInWindowProcedureIsReported) {
    for (bool writable : {true, false}) {
        TempDir dir;
        // A directory named like the dump makes the file impossible to create.
        ASSERT_TRUE(writable ? WriteFileBytes(dir / L"MiniDump.dmp", "old dump")
                             : CreateDirectoryW((dir / L"MiniDump.dmp").c_str(), nullptr));
        std::string output, dump;
        EXPECT_EQ(0, RunProgram(BinaryPath("tests/core/crash_probe.exe"), L"", dir.Path(), 60000,
                                &output));
        EXPECT_EQ(std::string::npos, output.find("phase returned")) << output;
        if (!writable) {
            EXPECT_NE(std::string::npos, output.find("CreateFile failed. Error: ")) << output;
            continue;
        }
        EXPECT_NE(std::string::npos, output.find("Minidump created.")) << output;
        // The old dump is replaced by one that holds an exception stream (type 6).
        ASSERT_TRUE(ReadFileBytes(dir / L"MiniDump.dmp", dump));
        ASSERT_TRUE(dump.size() >= 32 && dump.compare(0, 4, "MDMP") == 0);
        auto at = [&](size_t offset) { return *reinterpret_cast<const unsigned*>(&dump[offset]); };
        unsigned type = 0;
        for (unsigned i = 0; i < at(8) && type != 6 && at(12) + 12 * (i + 1) <= dump.size(); ++i)
            type = at(at(12) + 12 * i);
        EXPECT_EQ(6u, type);
    }
}
