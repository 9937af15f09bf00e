// Signing with the key pairs that CMake makes for the build tree ("signing",
// "other"), which are never committed.
#pragma once

#include "support/test_support.h"
#include "tools/sign.h"

#include <gtest/gtest.h>

namespace testing_support {

inline std::string Sign(const char* key, const std::string& data) {
    std::string pem, signature, error;
    ReadFileBytes(BinaryPath(std::string("tests/update/keys/") + key + ".pem"), pem);
    EXPECT_TRUE(SignWithKeyFile(pem, data, signature, error)) << error;
    return signature;
}

} // namespace testing_support
