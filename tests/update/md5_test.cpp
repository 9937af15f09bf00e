#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/md5.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testing_support;

// RFC 1321's own vectors (one block, padding into a second, several blocks),
// and any split of the input into pieces gives the same digest.
TEST(Md5, KnownDigestsAndAnySplit) {
    const char* const cases[][2] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Md5Of(c[0]), c[1]) << c[0];
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i * 7 + i / 13);
    for (size_t step : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 999u})
        EXPECT_EQ(Md5Of(data, step), Md5Of(data)) << "step " << step;
}

// Files as md5sum sees them, across the read chunk and past 2 GiB; an empty
// file, and a missing file or a folder leave the text untouched.
TEST(Md5, FileDigests) {
    std::istringstream lines(FileText(RigPath("pkgs/digests.txt")));
    std::string digest, name;
    int files = 0;
    for (char text[33] = {}; lines >> digest >> name; ++files) {
        ASSERT_TRUE(FileMd5Hex(RigPath("src/digest/" + name).c_str(), text)) << name;
        EXPECT_EQ(digest, text) << name;
    }
    EXPECT_EQ(files, 4);
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / L"empty", ""));
    char text[33] = "x";
    EXPECT_FALSE(FileMd5Hex((dir / L"missing").c_str(), text));
    EXPECT_FALSE(FileMd5Hex(dir.Path().c_str(), text));
    EXPECT_STREQ(text, "x");
    ASSERT_TRUE(FileMd5Hex((dir / L"empty").c_str(), text));
    EXPECT_STREQ(text, "d41d8cd98f00b204e9800998ecf8427e");
}
