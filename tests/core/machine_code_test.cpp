#include "core/machine_code.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <string>
#include <vector>

TEST(MachineCode, ChoosesFirstSerialStartingWithCapitalOrDigit) {
    struct Case {
        std::vector<const wchar_t*> serials;
        std::wstring expected;
    };
    const Case cases[] = {
        {{L"   WD-123", L"ABC"}, L"WD-123"},
        {{L"wd123", L"9XYZ"}, L"9XYZ"},
        {{L"wd123"}, L"wd123"},
        {{}, L""},
        {{L"  ", L"-x"}, L"-x"},             // none qualifies: the last one read
        {{L"abc", nullptr, L"XYZ"}, L"abc"}, // a medium without serial ends the walk
        {{L"ZZ  "}, L"ZZ  "},                // trailing blanks stay
    };
    for (const Case& c : cases) {
        wchar_t out[256] = L"garbage";
        ChooseMachineCode(c.serials.data(), c.serials.size(), out, 256);
        EXPECT_EQ(c.expected, out);
    }
}

TEST(MachineCode, LongSerialIsCutWithinTheBuffer) {
    std::wstring longSerial(400, L'A');
    const wchar_t* serials[] = {longSerial.c_str()};
    wchar_t out[17];
    out[16] = L'#';
    ChooseMachineCode(serials, 1, out, 16);
    EXPECT_EQ(std::wstring(15, L'A'), out);
    EXPECT_EQ(L'#', out[16]);
}

TEST(MachineCode, WmiAnswersUnderWine) {
    CoInitialize(nullptr);
    const wchar_t* code = GetMachineCode();
    ASSERT_NE(nullptr, code);
    EXPECT_STREQ(L"WINEHDISK", code);
    // Asked once per run: a second call gives the same answer.
    EXPECT_EQ(code, GetMachineCode());
    CoUninitialize();
}
