// lumora_publish's signing options run as a process: "--sign" writes the
// signature the launcher verifies, "--verify" finds what a launcher built with
// the key would refuse, "--public-key" prints the key to build it with.
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/signature.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

int Publisher(const std::wstring& args, std::string* output) {
    SetEnvironmentVariableW(L"LUMORA_7Z", BinaryPath(SEVEN_ZIP_SHIM).c_str());
    return RunProgram(BinaryPath(PUBLISH_EXE), args, L"", 120000, output);
}

std::wstring Key(const char* name) {
    return Quote(BinaryPath(std::string("tests/update/keys/") + name + ".pem"));
}

} // namespace

TEST(SignedPublish, SignVerifyAndWhatVerifyFinds) {
    TempDir dir;
    CreateDirectoryW((dir / L"rel").c_str(), nullptr);
    CreateDirectoryW((dir / L"rel\\bin").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\a.txt", "alpha"));
    ASSERT_TRUE(WriteFileBytes(dir / L"rel\\bin\\b.dll", "beta"));
    std::string output, key;
    ASSERT_EQ(Publisher(L"--public-key " + Key("signing"), &output), 0) << output;
    key = output.substr(0, output.find_first_of("\r\n"));
    EXPECT_EQ(Publisher(L"--public-key " + Key("signing.pkcs8"), &output), 0);
    EXPECT_EQ(output.substr(0, output.find_first_of("\r\n")), key);
    EXPECT_EQ(Publisher(L"--public-key " + Key("p384"), &output), 2);
    EXPECT_NE(output.find("not on the curve P-256"), std::string::npos) << output;
    ASSERT_EQ(Publisher(L"--sign " + Key("signing") + L" " + Quote(dir / L"rel") + L" 5 " +
                            Quote(dir / L"out"),
                        &output),
              0)
        << output;
    const std::string manifest = FileText(dir / L"out\\update.json"),
                      signature = FileText(dir / L"out\\update.json.sig");
    EXPECT_TRUE(VerifySignature(key.c_str(), manifest.data(), manifest.size(), signature.data(),
                                signature.size()));

    struct {
        const char* name;
        const wchar_t *file, *key; // file: replaced in the copy; key: "" for the signing key
        std::string bytes;
        int exitCode;
        const char* says;
    } rows[] = {
        {"intact", L"", L"", "", 0, "signature and 2 packages verified"},
        {"other key", L"", L"other", "", 1, "does not verify"},
        {"manifest changed", L"update.json", L"", manifest + " ", 1, "does not verify"},
        {"no signature", L"update.json.sig", L"", "", 1, "missing"},
        {"package swapped", L"5\\a.7z", L"", StoredArchive("evil", L"a.txt"), 1,
         "files.a.txt: its package does not hold"},
        {"package missing", L"5\\bin\\b.7z", L"", "", 1, "files.bin\\b.dll: its package"},
        {"no key", L"", L"0411", "", 2, "neither a public key"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TempDir copy;
        CopyTree(dir / L"out", copy.Path());
        if (*r.file) {
            DeleteFileW((copy / r.file).c_str());
            if (!r.bytes.empty()) {
                ASSERT_TRUE(WriteFileBytes(copy / r.file, r.bytes));
            }
        }
        std::wstring keyArg = Widen(key);
        if (*r.key) keyArg = r.key;
        if (!wcscmp(r.key, L"other")) {
            ASSERT_EQ(Publisher(L"--public-key " + Key("other"), &output), 0) << output;
            keyArg = Widen(output.substr(0, output.find_first_of("\r\n")));
        }
        EXPECT_EQ(Publisher(L"--verify " + keyArg + L" " + Quote(copy.Path()), &output),
                  r.exitCode);
        EXPECT_NE(output.find(r.says), std::string::npos) << output;
    }

    // A file that is no key is refused before anything is published.
    EXPECT_EQ(Publisher(L"--sign " + Quote(dir / L"rel\\a.txt") + L" " + Quote(dir / L"rel") +
                            L" 6 " + Quote(dir / L"out"),
                        &output),
              1);
    EXPECT_NE(output.find("not a PEM file"), std::string::npos) << output;
    EXPECT_EQ(FileText(dir / L"out\\update.json"), manifest);
}
