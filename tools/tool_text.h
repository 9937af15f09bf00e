// Text and path helpers shared by the studio's command-line tools.
#pragma once

#include <string>

// UTF-8 for the console and for files; empty when the text cannot be converted.
std::string ToUtf8(const std::wstring& text);
// The other way; empty when utf8 is not valid UTF-8.
std::wstring FromUtf8(const char* utf8);

// Length in UTF-16 units, as Windows counts the characters of a path.
size_t Utf16Length(const std::wstring& text);

// The full form of path, without trailing separators (a drive root keeps its
// own); path itself when it cannot be resolved.
std::wstring FullPath(const std::wstring& path);

// Prints "<tool>: error: <message>" on standard error.
void PrintError(const char* tool, const std::wstring& message);

#ifndef _WIN32
// A tool's path ("\" or "/" between folders) as the system takes it.
std::string NativePath(const std::wstring& path);
#endif
