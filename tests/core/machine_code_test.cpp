#include "core/machine_code.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(MachineCode, ChoosesFirstSerialStartingWithCapitalOrDigit) {
    const struct {
        std::vector<const wchar_t*> serials;
        size_t cap;
        std::wstring expected;
    } cases[] = {
        {{L"   WD-123", L"ABC"}, 256, L"WD-123"},
        {{L"wd123", L"9XYZ"}, 256, L"9XYZ"},
        {{L"wd123"}, 256, L"wd123"},
        {{}, 256, L""},
        {{L"  ", L"-x"}, 256, L"-x"},             // none qualifies: the last one read
        {{L"abc", nullptr, L"XYZ"}, 256, L"abc"}, // a medium without serial ends the walk
        {{L"ZZ  "}, 256, L"ZZ  "},                // trailing blanks stay
        {{L"AAAAAAAAAAAAAAAAAAAA"}, 16, std::wstring(15, L'A')}, // cut within the buffer
    };
    for (const auto& c : cases) {
        wchar_t out[257];
        out[c.cap] = L'#';
        ChooseMachineCode(c.serials.data(), c.serials.size(), out, c.cap);
        EXPECT_EQ(c.expected, out);
        EXPECT_EQ(L'#', out[c.cap]);
    }
}
