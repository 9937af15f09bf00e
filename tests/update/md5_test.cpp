#include "support/test_support.h"
#include "support/update_server.h"
#include "update/md5.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testing_support;

TEST(Md5, Rfc1321TestSuite) {
    struct {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5Of(c.input), c.digest) << c.input;
}

TEST(Md5, AnySplitOfTheInputGivesTheSameDigest) {
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i * 7 + i / 13);
    for (size_t step : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u})
        EXPECT_EQ(Md5Of(data, step), Md5Of(data)) << "step " << step;
}

TEST(Md5, FilesMatchMd5sumAcrossChunksAndPast2GiB) {
    std::string listing;
    ASSERT_TRUE(ReadFileBytes(RigPath("pkgs/digests.txt"), listing));
    std::istringstream lines(listing);
    std::string digest, name;
    int files = 0;
    while (lines >> digest >> name) {
        char text[33] = {};
        ASSERT_TRUE(FileMd5Hex(RigPath("src/digest/" + name).c_str(), text)) << name;
        EXPECT_EQ(digest, text) << name;
        ++files;
    }
    EXPECT_EQ(files, 4);
}

TEST(Md5, FileDigestOfEmptyMissingAndFolder) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"empty", ""));
    char text[33] = {};
    ASSERT_TRUE(FileMd5Hex((dir / L"empty").c_str(), text));
    EXPECT_STREQ(text, "d41d8cd98f00b204e9800998ecf8427e");
    char untouched[33] = "x";
    EXPECT_FALSE(FileMd5Hex((dir / L"missing").c_str(), untouched));
    EXPECT_FALSE(FileMd5Hex(dir.Path().c_str(), untouched));
    EXPECT_STREQ(untouched, "x");
}
