#include "tools/package_check.h"

#include "core/file_util.h"
#include "tools/tool_text.h"
#include "update/file_ops.h"
#include "update/http_fetch.h"
#include "update/package.h"
#include "update/signed_update.h"

#include <windows.h>

#include <memory>

bool PackageGivesMember(const std::wstring& package, const std::wstring& member,
                        const std::string& digest, std::string& why) {
    SignedMembers listed;
    if (!listed.Add(member.c_str(), digest.c_str())) {
        why = "not a file name with an MD5 digest";
        return false;
    }
    std::unique_ptr<char[]> bytes;
    size_t length = 0;
    if (!ReadWholeFile(package.c_str(), bytes, length, kPackageMaxBytes)) {
        why = "its package " + ToUtf8(package) + " is missing or unreadable";
        return false;
    }
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    const std::wstring scratch =
        std::wstring(temp) + L"lumora-verify-" + std::to_wstring(GetCurrentProcessId());
    DeleteDirectoryTree(scratch.c_str());
    if (n == 0 || n >= MAX_PATH || !CreateDirectoryW(scratch.c_str(), nullptr)) {
        why = "cannot create a temporary folder";
        return false;
    }
    // Only a file with the listed digest comes out: the launcher's own rule.
    ExtractPackage(scratch.c_str(), bytes.get(), length, nullptr, &listed);
    const bool holds =
        GetFileAttributesW((scratch + L"\\" + member).c_str()) != INVALID_FILE_ATTRIBUTES;
    DeleteDirectoryTree(scratch.c_str());
    if (!holds) why = "its package does not hold the file with the listed digest";
    return holds;
}
