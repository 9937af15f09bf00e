// Whole-file reads and the launcher directory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

// Reads a whole file into a buffer of its length + 1 bytes with a zero byte
// behind the text. Files over maxBytes are refused.
bool ReadWholeFile(const wchar_t* path, std::unique_ptr<char[]>& data, size_t& length,
                   size_t maxBytes = 64u << 20);

// The directory of the running executable, without a trailing separator.
bool GetExeDirectory(wchar_t* dir, size_t cap);

// dir joined with name by the shell's path-append rule; false if it does not fit.
bool JoinPath(wchar_t* out, size_t cap, const wchar_t* dir, const wchar_t* name);
