// The package naming agrees with the shell's own path functions, which it
// replaces so that the publishing tool names packages alike on Linux.
#include "core/text.h"
#include "update/package_name.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

// The shell's answer: canonical form, extension removed, ".7z" appended.
bool ShellName(const wchar_t* member, wchar_t* out) {
    out[0] = L'\0';
    wchar_t name[MAX_PATH] = {}, canon[MAX_PATH] = {};
    if (!member[0] || !CopyText(name, member) || !PathCanonicalizeW(canon, name)) return false;
    PathRemoveExtensionW(canon);
    return AppendText(canon, L".7z") && CopyText(out, MAX_PATH, canon);
}

} // namespace

TEST(PackageName, AgreesWithTheShell) {
    const std::wstring x256(256, L'x');
    // The names between the bars, the last one empty.
    std::vector<std::wstring> names;
    std::wstring list =
        L"readme|a.b.c|A.TXT|Bin\\Game.DLL|a.|a..|a...b|dir\\a.|.a|dir\\.hidden|a.b\\c|"
        L"dir.\\x|a b.c d|a .b|. .|a\\.\\b.c|.\\a.b|a\\b\\.|\\a.b|a\\\\b.c|a/b.c|a.b/c|"
        L"d\\e\\f\\g.h.i||";
    for (size_t at = 0, bar; (bar = list.find(L'|', at)) != std::wstring::npos; at = bar + 1)
        names.push_back(list.substr(at, bar - at));
    for (const wchar_t* tail : {L"", L"x", L"x.t", L"xx.t"})
        names.push_back(x256 + tail);
    names.push_back(x256.substr(1) + L".txt");
    names.push_back(L"a\\" + x256.substr(2) + L".b");
    for (const std::wstring& name : names) {
        SCOPED_TRACE(testing::Message() << name.size() << " characters: " << name.substr(0, 40));
        wchar_t ours[MAX_PATH] = L"x", shell[MAX_PATH];
        const bool ok = PackageNameForMember(name.c_str(), ours, MAX_PATH);
        EXPECT_EQ(ok, ShellName(name.c_str(), shell));
        EXPECT_STREQ(ours, shell);
    }
    // A member that climbs out of its folder is refused outright.
    wchar_t out[MAX_PATH] = L"x";
    EXPECT_FALSE(PackageNameForMember(L"a\\..\\b.c", out, MAX_PATH));
    EXPECT_STREQ(out, L"");
    EXPECT_FALSE(PackageNameForMember(L"a.b", out, 4)); // "a.7z" needs 5
    EXPECT_TRUE(PackageNameForMember(L"a.b", out, 5));
}
