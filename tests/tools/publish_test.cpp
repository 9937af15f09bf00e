// lumora_publish's Windows build as a process: its own file and process code
// and signing options. The rules both builds share are tested on the Linux
// build (tests/native), whose output (the native_published fixture) the last
// test compares with this build's and updates the signed launcher from.
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/package.h"
#include "update/signature.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

using namespace testing_support;

namespace {

const char kShim[] = "tests/tools/seven_zip_shim.exe";
// Runs the publishing command in dir; the rig's 7z stand-in comes through LUMORA_7Z.
int Publish(const std::wstring& args, std::string* output, const std::wstring& dir = L"",
            bool shim = true) {
    SetEnvironmentVariableW(L"LUMORA_7Z", shim ? BinaryPath(kShim).c_str() : nullptr);
    return RunProgram(BinaryPath("tools/lumora_publish.exe"), args, dir, 120000, output);
}

void MakeRelease(const TempDir& dir) {
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    CreateDirectoryW((dir / L"rel\\bin").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\readme", "read me"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "game code"));
}

std::wstring Key(const char* name) {
    return Quote(BinaryPath(std::string("tests/update/keys/") + name + ".pem"));
}

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

// Republished into its own previous output: a copy is told apart from a
// package built again by its mark. The option names the program when
// LUMORA_7Z is not set.
TEST(Publish, ReusesUnchangedPackagesAndReplacesTheOutput) {
    TempDir dir;
    MakeRelease(dir);
    std::string output;
    const std::wstring option = L"--sevenzip=" + Quote(BinaryPath(kShim));
    ASSERT_EQ(Publish(option + L" rel 5 out", &output, dir.Path(), false), 0) << output;
    ASSERT_TRUE(WriteFileBytes(dir / L"out\\5\\readme.7z", "previous package"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\game.dll", "new game code"));
    ASSERT_EQ(Publish(L"rel 6 out out", &output, dir.Path()), 0) << output;
    EXPECT_EQ(FileText(dir / L"out\\6\\readme.7z"), "previous package");
    EXPECT_EQ(FileText(dir / L"out\\6\\bin\\game.7z").rfind("7z\xBC\xAF\x27\x1C", 0), 0u);
    EXPECT_FALSE(FileExists(dir / L"out\\5\\readme.7z"));
    EXPECT_EQ(CountEntries(dir.Path()), 2); // rel and out, nothing staged left over
}

// Each refusal exits non-zero, names its cause, and leaves the output as it was.
TEST(Publish, RefusalsLeaveTheOutputAlone) {
    const std::tuple<std::wstring, const char*, bool> rows[] = {
        {L"nowhere 5 out", "nowhere\" is missing or not a folder", true},
        {L"--sevenzip=no\\7z.exe rel 5 out", "7z.exe\" not found", true},
        {L"rel 5 out", "7z program not found", false}, // none on the rig's PATH
        // Any Windows program that refuses 7z's arguments stands in for a failing 7z.
        {L"--sevenzip=C:\\windows\\system32\\reg.exe rel 5 out", "failed with exit code", true},
    };
    for (const auto& [args, says, shim] : rows) {
        SCOPED_TRACE(Narrow(args));
        TempDir dir;
        MakeRelease(dir);
        CreateDirectoryW((dir / L"out").c_str(), nullptr);
        WriteFileBytes(dir / L"out\\keep", "kept");
        std::string output;
        EXPECT_NE(Publish(args, &output, dir.Path(), shim), 0);
        EXPECT_NE(output.find(says), std::string::npos) << output;
        EXPECT_EQ(FileText(dir / L"out\\keep"), "kept");
        EXPECT_EQ(CountEntries(dir / L"out"), 1);
        EXPECT_EQ(CountEntries(dir.Path()), 2);
    }
}

TEST(SignedPublish, SignVerifyAndWhatVerifyFinds) {
    TempDir dir;
    MakeRelease(dir);
    std::string output;
    auto publicKey = [&](const char* name) {
        EXPECT_EQ(Publish(L"--public-key " + Key(name), &output), 0) << output;
        return output.substr(0, output.find_first_of("\r\n"));
    };
    const std::string key = publicKey("signing");
    EXPECT_EQ(publicKey("signing.pkcs8"), key);
    EXPECT_EQ(Publish(L"--public-key " + Key("p384"), &output), 2);
    EXPECT_NE(output.find("not on the curve P-256"), std::string::npos) << output;
    ASSERT_EQ(Publish(L"--sign " + Key("signing") + L" rel 5 out", &output, dir.Path()), 0)
        << output;
    const std::string manifest = FileText(dir / L"out\\update.json"),
                      signature = FileText(dir / L"out\\update.json.sig");
    EXPECT_TRUE(VerifySignature(key.c_str(), manifest.data(), manifest.size(), signature.data(),
                                signature.size()));

    const std::wstring signing = Widen(key), other = Widen(publicKey("other"));
    // name, file replaced in the copy (or deleted with no bytes), key, bytes, exit code, says
    const std::tuple<const char*, const wchar_t*, std::wstring, std::string, int, const char*>
        rows[] = {
            {"intact", L"", signing, "", 0, "signature and 2 packages verified"},
            {"other key", L"", other, "", 1, "does not verify"},
            {"manifest changed", L"update.json", signing, manifest + " ", 1, "does not verify"},
            {"no signature", L"update.json.sig", signing, "", 1, "missing"},
            {"package swapped", L"5\\readme.7z", signing, StoredArchive("evil", L"readme"), 1,
             "files.readme: its package does not hold"},
            {"package missing", L"5\\bin\\game.7z", signing, "", 1,
             "files.bin\\game.dll: its package"},
            {"no key", L"", L"0411", "", 2, "neither a public key"},
        };
    for (const auto& [name, file, pub, bytes, exitCode, says] : rows) {
        SCOPED_TRACE(name);
        TempDir copy;
        CopyTree(dir / L"out", copy.Path());
        if (*file) {
            EXPECT_TRUE(bytes.empty() ? DeleteFileW((copy / file).c_str())
                                      : WriteFileBytes(copy / file, bytes));
        }
        EXPECT_EQ(Publish(L"--verify " + pub + L" " + Quote(copy.Path()), &output), exitCode);
        EXPECT_NE(output.find(says), std::string::npos) << output;
    }

    // A file that is no key is refused before anything is published.
    EXPECT_EQ(Publish(L"--sign rel\\readme rel 6 out", &output, dir.Path()), 1);
    EXPECT_NE(output.find("not a PEM file"), std::string::npos) << output;
    EXPECT_EQ(FileText(dir / L"out\\update.json"), manifest);
}

TEST(NativePublish, MatchesTheWindowsBuildAndUpdatesTheLauncher) {
    const std::wstring release = RigPath("native/release"), native = RigPath("www/native");
    TempDir dir;
    std::string output;
    ASSERT_EQ(Publish(Quote(release) + L" 3 " + Quote(dir / L"out"), &output), 0) << output;
    const std::string manifest = FileText(native + L"\\update.json");
    EXPECT_EQ(manifest, FileText(dir / L"out\\update.json"));
    EXPECT_NE(manifest.find("\"Maps\\\\Forest Map.v2.txt\""), std::string::npos) << manifest;

    // The same package names; the Windows build's, unpacked by the launcher's
    // own code, give the release (the Linux build's are unpacked by the launcher below).
    const auto ours = Files(native + L"\\3"), windows = Files(dir / L"out\\3");
    ASSERT_EQ(ours.size(), 7u);
    TempDir unpacked;
    for (const auto& [name, bytes] : windows) {
        EXPECT_EQ(ours.count(name), 1u) << Narrow(name);
        EXPECT_EQ(ExtractPackage(unpacked.Path().c_str(), bytes.data(), bytes.size(), nullptr), 1);
    }
    EXPECT_EQ(Files(unpacked.Path()), Files(release));

    // The key the Linux build printed is the Windows build's reading of the
    // key file, its signature verifies there, and the signed launcher takes
    // the release whole.
    const std::wstring publicKey = RigPath("native/public.txt");
    ASSERT_EQ(Publish(L"--public-key " + Key("signing"), &output), 0);
    EXPECT_EQ(output.substr(0, 130), FileText(publicKey).substr(0, 130));
    EXPECT_EQ(Publish(L"--verify " + Quote(publicKey) + L" " + Quote(native), &output), 0)
        << output;
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
