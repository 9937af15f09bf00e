#include "tools/static_check.h"

#include <gtest/gtest.h>

#include <string>

// lumora_check knows "update_progress" and wants it true or false, as the
// launcher reads it.
TEST(Check, UpdateProgressIsAKnownFlag) {
    struct {
        const char* value;
        const char* problem; // null: clean
    } rows[] = {{"true", nullptr},
                {"false", nullptr},
                {"1", nullptr},
                {"\"true\"", "not true or false"},
                {"null", "not true or false"}};
    for (const auto& r : rows) {
        std::string text = std::string("{\"update_progress\": ") + r.value + "}";
        ProblemList problems;
        CheckStaticConfig(text.c_str(), text.size(), L"C:\\nowhere", &problems);
        int found = 0;
        for (const Problem& p : problems) {
            EXPECT_NE(p.message.find("unknown key"), 0u) << r.value;
            if (p.key == "update_progress") {
                ++found;
                EXPECT_NE(p.message.find(r.problem ? r.problem : "-"), std::string::npos);
            }
        }
        EXPECT_EQ(found, r.problem ? 1 : 0) << r.value;
    }
}
