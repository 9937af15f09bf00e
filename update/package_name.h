// How a manifest member's package is named: the member's path with its
// extension replaced by ".7z" (bin\game.dll -> bin\game.7z, readme ->
// readme.7z, data\a.b.c -> data\a.b.7z). Shared with the publishing tool,
// which also builds on Linux: no platform call here.
#pragma once

#include <cstddef>

// False, out empty, when the name does not fit a path buffer of cap
// characters or has a ".." part.
bool PackageNameForMember(const wchar_t* member, wchar_t* out, size_t cap);
