#include "update/package_name.h"

#include "core/text.h"

#include <windows.h>

#include <shlwapi.h>

bool PackageNameForMember(const wchar_t* member, wchar_t* out, size_t cap) {
    if (cap) out[0] = L'\0';
    wchar_t name[MAX_PATH] = {};
    wchar_t canon[MAX_PATH] = {};
    if (!member || !member[0] || !CopyText(name, member)) return false;
    if (!PathCanonicalizeW(canon, name)) return false;
    PathRemoveExtensionW(canon);
    // Appended, not PathAddExtensionW: that refuses a name that still has a
    // dot after the last one went (data\a.b.c must give data\a.b.7z).
    if (!AppendText(canon, L".7z")) return false;
    return CopyText(out, cap, canon);
}
