// What the Linux build of lumora_publish wrote and signed (the
// native_published fixture) against the Windows build's output on the same
// release, and the launcher built with the key consuming it.
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/package.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

using namespace testing_support;

namespace {

// Every file below dir by its name relative to the first dir, with its bytes.
std::map<std::wstring, std::string> Files(const std::wstring& dir, size_t top = 0) {
    std::map<std::wstring, std::string> out;
    top = top ? top : dir.size() + 1;
    ForEachIn(dir, [&](const std::wstring& path, const WIN32_FIND_DATAW& f) {
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            out.merge(Files(path, top));
        else
            out[path.substr(top)] = FileText(path);
    });
    return out;
}

} // namespace

TEST(NativePublish, MatchesTheWindowsBuildAndUpdatesTheLauncher) {
    const std::wstring release = RigPath("native/release"), native = RigPath("www/native");
    TempDir dir;
    std::string output;
    auto publish = [&](const std::wstring& args) {
        return RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, &output);
    };
    SetEnvironmentVariableW(L"LUMORA_7Z", BinaryPath(SEVEN_ZIP_SHIM).c_str());
    ASSERT_EQ(publish(Quote(release) + L" 3 " + Quote(dir / L"out")), 0) << output;
    const std::string manifest = FileText(native + L"\\update.json");
    EXPECT_EQ(manifest, FileText(dir / L"out\\update.json"));
    EXPECT_NE(manifest.find("\"Maps\\\\Forest Map.v2.txt\""), std::string::npos) << manifest;

    // The same package names, each unpacked by the launcher's own code to
    // the same files.
    const auto ours = Files(native + L"\\3"), windows = Files(dir / L"out\\3");
    ASSERT_EQ(ours.size(), 7u);
    ASSERT_EQ(ours.size(), windows.size());
    for (auto o = ours.begin(), w = windows.begin(); o != ours.end(); ++o, ++w) {
        ASSERT_EQ(Narrow(o->first), Narrow(w->first));
        TempDir a, b;
        EXPECT_EQ(ExtractPackage(a.Path().c_str(), o->second.data(), o->second.size(), nullptr), 1);
        EXPECT_EQ(ExtractPackage(b.Path().c_str(), w->second.data(), w->second.size(), nullptr), 1);
        EXPECT_EQ(Files(a.Path()), Files(b.Path())) << Narrow(o->first);
    }

    // The key the Linux build printed is the Windows build's reading of the
    // key file, its signature verifies there, and the signed launcher takes
    // the release whole.
    const std::wstring publicKey = RigPath("native/public.txt");
    ASSERT_EQ(publish(L"--public-key " + Quote(BinaryPath("tests/update/keys/signing.pem"))), 0);
    EXPECT_EQ(output.substr(0, 130), FileText(publicKey).substr(0, 130));
    EXPECT_EQ(publish(L"--verify " + Quote(publicKey) + L" " + Quote(native)), 0) << output;
    TempDir launcher;
    const std::wstring exe =
        MakeLauncherDir(launcher.Path(), BinaryPath("tests/update/launcher_signed.exe"),
                        {{"update_url", Narrow(ServerUrl("native/"))}, kProgressOff});
    const auto layout = Files(launcher.Path());
    EXPECT_NE(RunLauncher(exe, L"").windowPid, 0u);
    auto written = Files(launcher.Path());
    for (const auto& f : layout)
        written.erase(f.first);
    written.erase(L"first"); // the launcher's mark of its first run
    EXPECT_EQ(written, Files(release));
}

// The Linux build of lumora_check says what the Windows build says, line for
// line, on each launcher directory of the native_checked fixture.
TEST(NativeCheck, SaysWhatTheWindowsBuildSays) {
    int count = 0;
    ForEachIn(BinaryPath("tests/tools/native_checked"), [&](const std::wstring& dir, auto&) {
        SCOPED_TRACE(Narrow(dir));
        std::string output;
        const int code = RunProgram(BinaryPath(CHECK_EXE), Quote(dir), L"", 60000, &output);
        output += "exit " + std::to_string(code) + "\n";
        output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
        EXPECT_EQ(output, FileText(dir + L"\\check.txt"));
        ++count;
    });
    EXPECT_EQ(count, 8);
}
