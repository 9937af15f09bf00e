#include "tools/package_check.h"

#include "tools/tool_files.h"
#include "tools/tool_text.h"
#include "update/md5.h"

#include <stdlib.h>

#include <cctype>
#include <cstring>

namespace {

// As the launcher takes a signed name: relative, never through "..", no
// drive or stream, shorter than its path buffers; the digest MD5 text.
bool Listable(const std::wstring& member, const std::string& digest) {
    if (member.empty() || Utf16Length(member) >= 260 || member.find(L':') != std::wstring::npos)
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = member.find_first_of(L"\\/", start);
        if (member.compare(start, end - start, L"..") == 0) return false;
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    if (digest.size() != 32) return false;
    for (char c : digest)
        if (!isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

} // namespace

bool PackageGivesMember(const std::wstring& package, const std::wstring& member,
                        const std::string& digest, std::string& why) {
    if (!Listable(member, digest)) {
        why = "not a file name with an MD5 digest";
        return false;
    }
    if (!IsFile(package)) {
        why = "its package " + NativePath(package) + " is missing or unreadable";
        return false;
    }
    std::wstring program, error;
    if (!FindSevenZip(L"", program, error)) {
        why = "cannot unpack its package: " + ToUtf8(error);
        return false;
    }
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumora-verify-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        why = "cannot create a temporary folder";
        return false;
    }
    const std::wstring scratch = FromUtf8(pattern.c_str());
    const int code = RunAndWait(
        program, {L"x", L"-y", L"-bso0", L"-bsp0", L"-o" + scratch, L"--", package}, scratch);
    char got[33] = {};
    const bool holds = code == 0 && FileMd5Hex((scratch + L"\\" + member).c_str(), got) &&
                       strcasecmp(got, digest.c_str()) == 0;
    RemoveTree(scratch);
    if (code != 0)
        why = "7z program \"" + ToUtf8(program) + "\" could not unpack its package";
    else if (!holds)
        why = "its package does not hold the file with the listed digest";
    return holds;
}
