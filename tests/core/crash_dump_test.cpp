#include "core/crash_dump.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testing_support;

namespace {

int* volatile g_nowhere = nullptr;

LRESULT CALLBACK CrashingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) *g_nowhere = 1; // access violation
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A stand-in for the launcher's window phase that crashes inside a window
// procedure dispatched by a message loop.
int CrashingPhase(const wchar_t*, int) {
    WNDCLASSW wc = {0,       CrashingProc, 0,       0,       GetModuleHandleW(nullptr),
                    nullptr, nullptr,      nullptr, nullptr, L"CrashProbe"};
    RegisterClassW(&wc);
    PostMessageW(CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr),
                 WM_APP, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 7; // never reached when the guard works
}

} // namespace

// The child that the test below starts; skipped in an ordinary run.
TEST(CrashDump, Probe) {
    if (!GetEnvironmentVariableW(L"LUMORA_CRASH_PROBE", nullptr, 0)) GTEST_SKIP();
    printf("phase returned %d\n", RunGuarded(CrashingPhase, L"", SW_SHOWNORMAL));
}

// A crash inside a window procedure leaves a minidump with an exception stream
// and the process still exits with 0; when the dump cannot be written, it says so.
TEST(CrashDump, CrashInWindowProcedureIsReported) {
    SetEnvironmentVariableW(L"LUMORA_CRASH_PROBE", L"1");
    for (bool writable : {true, false}) {
        TempDir dir;
        // A directory named like the dump makes the file impossible to create.
        ASSERT_TRUE(writable ? WriteFileBytes(dir / L"MiniDump.dmp", "old dump")
                             : CreateDirectoryW((dir / L"MiniDump.dmp").c_str(), nullptr));
        std::string output, dump;
        EXPECT_EQ(0, RunProgram(BinaryPath("tests/core/crash_tests.exe"),
                                L"--gtest_filter=CrashDump.Probe", dir.Path(), 60000, &output));
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
