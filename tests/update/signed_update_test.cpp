// Updates of a launcher built with an update key, run as a player would start
// it against the test server: only what the key signed is ever written.
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "tools/sign.h"
#include "update/file_ops.h"
#include "update/package.h"
#include "update/signature.h"
#include "update/signed_update.h"

#include <gtest/gtest.h>

#include <set>

using namespace testing_support;

namespace {

std::string Sign(const char* key, const std::string& data) {
    std::string pem, signature, error;
    ReadFileBytes(BinaryPath(std::string("tests/update/keys/") + key + ".pem"), pem);
    EXPECT_TRUE(SignWithKeyFile(pem, data, signature, error)) << error;
    return signature;
}

} // namespace

// Each row publishes a release of a.txt and, where given, a new launcher.
// The signed release updates both; anything an attacker on the way could
// have changed is refused with nothing written, and the window still comes.
TEST(SignedUpdate, OnlyWhatTheKeySignedIsWritten) {
    std::string signedExe;
    ASSERT_TRUE(ReadFileBytes(BinaryPath("tests/update/launcher_signed.exe"), signedExe));
    const std::string newExe = signedExe + "the next release";
    struct {
        const char* name;
        const char* exe;    // the launcher built with or without a key
        const char* signer; // the key file, "" for no signature, "junk" for 64 bad bytes
        bool changedAfterSigning;
        std::string aPacked, exePacked; // package contents, "" for no such member
        bool takesA, takesExe;
    } rows[] = {
        {"signed", "tests/update/launcher_signed.exe", "signing", false, "new", newExe, true, true},
        {"unsigned", "tests/update/launcher_signed.exe", "", false, "new", newExe, false, false},
        {"junk", "tests/update/launcher_signed.exe", "junk", false, "new", "", false, false},
        {"other_key", "tests/update/launcher_signed.exe", "other", false, "new", newExe, false,
         false},
        {"changed", "tests/update/launcher_signed.exe", "signing", true, "new", newExe, false,
         false},
        {"swapped", "tests/update/launcher_signed.exe", "signing", false, "evil", "", false, false},
        {"exe_swapped", "tests/update/launcher_signed.exe", "signing", false, "", newExe + "x",
         false, false},
        {"no_key", "Lumora2.exe", "", false, "new", "", true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string base = std::string("signed_") + r.name + "/";
        std::string manifest = "{\"version\": 9, \"files\": {";
        if (!r.aPacked.empty()) {
            manifest += "\"a.txt\": \"" + Md5Of("new") + "\"";
            Publish(base + "9/a.7z", StoredArchive(r.aPacked, L"a.txt"));
        }
        if (!r.exePacked.empty()) {
            manifest += std::string(r.aPacked.empty() ? "" : ", ") + "\"Lumora2.exe\": \"" +
                        Md5Of(newExe) + "\"";
            Publish(base + "9/Lumora2.7z", StoredArchive(r.exePacked, L"Lumora2.exe"));
        }
        manifest += "}}";
        if (*r.signer)
            Publish(base + "update.json.sig",
                    strcmp(r.signer, "junk") ? Sign(r.signer, manifest) : std::string(64, 'j'));
        Publish(base + "update.json", r.changedAfterSigning ? manifest + " " : manifest);
        // A manifest slow enough that a second passes before its signature
        // is asked for, in a row that starts no second launcher.
        const bool slow = !strcmp(r.name, "swapped");
        if (slow) Publish(base + "update.json.mode", "delay600");

        TempDir dir;
        std::wstring exe = MakeLauncherDir(dir.Path(), BinaryPath(r.exe),
                                           {{"update_url", Narrow(ServerUrl(base))}, kProgressOff});
        const std::string oldExe = FileText(exe) + "old";
        ASSERT_TRUE(WriteFileBytes(exe, oldExe));
        ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "keep"));
        LauncherRun run = RunLauncher(exe, L"");
        EXPECT_NE(run.windowPid, 0u) << "no launcher window came up";
        EXPECT_EQ(run.windowPid != run.startedPid, r.takesExe); // a self-update ends the first run
        EXPECT_EQ(FileText(dir / L"a.txt"), r.takesA ? "new" : "keep");
        EXPECT_TRUE(FileText(exe) == (r.takesExe ? newExe : oldExe));
        EXPECT_FALSE(FileExists(dir / L"update"));
        WIN32_FIND_DATAW found;
        HANDLE temp = FindFirstFileW((dir / L"~lu*").c_str(), &found);
        EXPECT_EQ(temp, INVALID_HANDLE_VALUE) << "a temporary file was left";
        if (temp != INVALID_HANDLE_VALUE) FindClose(temp);
        // A manifest that does not verify is not acted on at all.
        const bool verified = !strcmp(r.signer, "signing") && !r.changedAfterSigning;
        EXPECT_EQ(RequestsFor("/" + base + "9/").empty(),
                  !verified && strcmp(r.exe, "Lumora2.exe"));
        // The signature goes with the manifest: asked for with the same "t".
        std::set<std::string> times;
        for (const Request& q : RequestsFor("/" + base + "update.json"))
            times.insert(q.target.substr(q.target.find('?')));
        EXPECT_TRUE(!slow || times.size() == 1u) << times.size();
    }
}

// The key and signature the launcher takes, at their edges.
TEST(SignedUpdate, KeyAndSignatureForms) {
    const std::string data = "manifest", good = Sign("signing", data);
    const std::string key = TEST_PUBLIC_KEY;
    struct {
        std::string key, signature;
        bool valid;
    } rows[] = {
        {key, good, true},
        {key, good.substr(0, 63), false},
        {key, good + "x", false},
        {key.substr(0, 129), good, false},
        {key + "0", good, false},
        {"03" + key.substr(2), good, false},
        {key.substr(0, 128) + "g" + key.substr(129), good, false},
        {"", good, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(VerifySignature(r.key.c_str(), data.data(), data.size(), r.signature.data(),
                                  r.signature.size()),
                  r.valid)
            << r.key << " " << r.signature.size();
    }
    EXPECT_FALSE(VerifySignature(key.c_str(), "Manifest", 8, good.data(), good.size()));
}

// With a key, an entry is written only under a listed name (however the
// manifest spells it) and with the listed bytes, and the file on the disk is
// checked again before it is put in place.
TEST(SignedUpdate, EntriesWrittenOnlyUnderListedNamesWithListedBytes) {
    const std::string digest = Md5Of("new");
    struct {
        const wchar_t *member, *entry;
        std::string bytes;
        bool written;
    } rows[] = {
        {L"a.txt", L"a.txt", "new", true},
        {L"A.TXT", L"a.txt", "new", true},
        {L".\\sub\\b.txt", L"sub/b.txt", "new", true},
        {L"sub/b.txt", L"sub\\b.txt", "new", true},
        {L"a.txt", L"b.txt", "new", false},
        {L"a.txt", L"a.txt", "evil", false},
        {L"a.txt", L"a.txt.", "new", false},
        {L"sub\\..\\a.txt", L"a.txt", "new", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(Narrow(r.member) + " " + Narrow(r.entry));
        TempDir dir;
        SignedMembers listed;
        listed.Add(r.member, digest.c_str());
        const std::string package = StoredArchive(r.bytes, r.entry);
        EXPECT_EQ(
            ExtractPackage(dir.Path().c_str(), package.data(), package.size(), nullptr, &listed),
            r.written ? 1 : 0);
        EXPECT_EQ(CountEntries(dir.Path()), r.written ? 1 : 0); // not even a folder otherwise
    }
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "keep"));
    for (const std::string& listed : {Md5Of("evil"), digest}) {
        const bool right = listed == digest;
        EXPECT_EQ(ReplaceFileWith((dir / L"a.txt").c_str(),
                                  reinterpret_cast<const unsigned char*>("new"), 3, listed.c_str()),
                  right);
        EXPECT_EQ(FileText(dir / L"a.txt"), right ? "new" : "keep");
        EXPECT_EQ(CountEntries(dir.Path()), 1); // no temporary file left
    }
}
