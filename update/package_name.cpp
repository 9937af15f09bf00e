#include "update/package_name.h"

#include <cwchar>

namespace {

// The launcher's path buffers (MAX_PATH), terminator included.
constexpr size_t kPathChars = 260;

} // namespace

// The shell's rules, done by hand so that the publishing tool gives the same
// names on a Linux build server: a "." folder followed by a separator goes,
// and the extension is what follows the last dot that no "\" or space comes
// after.
bool PackageNameForMember(const wchar_t* member, wchar_t* out, size_t cap) {
    if (cap) out[0] = L'\0';
    if (!member || !member[0]) return false;
    const size_t length = wcslen(member);
    if (length >= kPathChars) return false;
    wchar_t name[kPathChars] = {};
    size_t n = 0;
    for (size_t i = 0; i < length;) {
        size_t end = i;
        while (end < length && member[end] != L'\\')
            ++end;
        const size_t part = end - i;
        // A name that climbs out of its folder names no file of the release.
        if (part == 2 && member[i] == L'.' && member[i + 1] == L'.') return false;
        const bool here = part == 1 && member[i] == L'.' && end < length;
        if (end < length) ++end; // the separator goes with its part
        if (!here) {
            wmemcpy(name + n, member + i, end - i);
            n += end - i;
        }
        i = end;
    }
    size_t stem = n;
    for (size_t i = 0; i < n; ++i) {
        if (name[i] == L'\\' || name[i] == L' ')
            stem = n;
        else if (name[i] == L'.')
            stem = i;
    }
    static const wchar_t kExtension[] = L".7z";
    const size_t total = stem + 3;
    if (total >= kPathChars || total >= cap) return false;
    wmemcpy(out, name, stem);
    wmemcpy(out + stem, kExtension, 4);
    return true;
}
