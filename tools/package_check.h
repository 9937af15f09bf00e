// How lumora_publish --verify unpacks one package: on Windows with the
// launcher's own extraction and its rule for signed updates, on Linux with the
// system's 7zz (the Windows build is the exact check of the launcher's decoder).
#pragma once

#include <string>

// Whether the package file, unpacked into a scratch folder, gives member (a
// name of the manifest, "\" between folders) with the listed digest. False,
// with the reason in why, for a name the launcher would not write, a package
// that cannot be read or unpacked, or a file with other bytes or none.
bool PackageGivesMember(const std::wstring& package, const std::wstring& member,
                        const std::string& digest, std::string& why);
