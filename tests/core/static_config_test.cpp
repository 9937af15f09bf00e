#include "core/static_config.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(StaticConfig, Placeholder) { SUCCEED(); }
