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

int Publisher(const std::wstring& args, std::string* output, const std::wstring& dir = L"") {
    SetEnvironmentVariableW(L"LUMORA_7Z", BinaryPath(SEVEN_ZIP_SHIM).c_str());
    return RunProgram(BinaryPath(PUBLISH_EXE), args, dir, 120000, output);
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
    std::string output;
    auto publicKey = [&](const char* name) {
        EXPECT_EQ(Publisher(L"--public-key " + Key(name), &output), 0) << output;
        return output.substr(0, output.find_first_of("\r\n"));
    };
    const std::string key = publicKey("signing");
    EXPECT_EQ(publicKey("signing.pkcs8"), key);
    EXPECT_EQ(Publisher(L"--public-key " + Key("p384"), &output), 2);
    EXPECT_NE(output.find("not on the curve P-256"), std::string::npos) << output;
    ASSERT_EQ(Publisher(L"--sign " + Key("signing") + L" rel 5 out", &output, dir.Path()), 0)
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
            EXPECT_TRUE(r.bytes.empty() ? DeleteFileW((copy / r.file).c_str())
                                        : WriteFileBytes(copy / r.file, r.bytes));
        }
        const std::wstring keyArg = !wcscmp(r.key, L"other") ? Widen(publicKey("other"))
                                    : *r.key                 ? r.key
                                                             : Widen(key);
        EXPECT_EQ(Publisher(L"--verify " + keyArg + L" " + Quote(copy.Path()), &output),
                  r.exitCode);
        EXPECT_NE(output.find(r.says), std::string::npos) << output;
    }

    // A file that is no key is refused before anything is published.
    EXPECT_EQ(Publisher(L"--sign rel\\a.txt rel 6 out", &output, dir.Path()), 1);
    EXPECT_NE(output.find("not a PEM file"), std::string::npos) << output;
    EXPECT_EQ(FileText(dir / L"out\\update.json"), manifest);
}
