// What a launcher built with an update key checks: the signature, and that a
// package writes only what the manifest lists.
#include "support/launcher_dir.h"
#include "support/test_keys.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/file_ops.h"
#include "update/package.h"
#include "update/signature.h"
#include "update/signed_update.h"

#include <gtest/gtest.h>

#include <set>

using namespace testing_support;

// The key and signature the launcher takes, at their edges.
TEST(SignedUpdate, KeyAndSignatureForms) {
    const std::string data = "manifest", good = Sign("signing", data);
    const std::string key = TEST_PUBLIC_KEY;
    struct {
        std::string key, signature;
        bool valid;
    } rows[] = {
        {key, good, true},        {key, good.substr(0, 63), false},
        {key, good + "x", false}, {key.substr(0, 129), good, false},
        {key + "0", good, false}, {"03" + key.substr(2), good, false},
        {"", good, false},        {key.substr(0, 128) + "g" + key.substr(129), good, false},
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
    } rows[] = {{L"a.txt", L"a.txt", "new", true},
                {L"A.TXT", L"a.txt", "new", true},
                {L".\\sub\\b.txt", L"sub/b.txt", "new", true},
                {L"sub/b.txt", L"sub\\b.txt", "new", true},
                {L"a.txt", L"b.txt", "new", false},
                {L"a.txt", L"a.txt", "evil", false},
                {L"a.txt", L"a.txt.", "new", false},
                {L"sub\\..\\a.txt", L"a.txt", "new", false}};
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
    EXPECT_FALSE(ReplaceFileWith((dir / L"a.txt").c_str(),
                                 reinterpret_cast<const unsigned char*>("new"), 3,
                                 Md5Of("evil").c_str()));
    EXPECT_EQ(FileText(dir / L"a.txt"), "keep");
    EXPECT_EQ(CountEntries(dir.Path()), 1); // no temporary file left
}
