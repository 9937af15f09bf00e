// Bounded text copies and conversions into the fixed-size fields of the
// launcher's records. Nothing here ever writes past the given capacity.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstddef>

// Copies src into dst (capacity in characters, terminator included). Returns
// false, leaving dst empty, when src does not fit: a cut URL or path would
// name something else, so values that overflow are refused, not truncated.
bool CopyText(wchar_t* dst, size_t cap, const wchar_t* src);
bool CopyTextA(char* dst, size_t cap, const char* src);

// Appends src to the text already in dst; refuses (dst unchanged) when the
// result would not fit.
bool AppendText(wchar_t* dst, size_t cap, const wchar_t* src);

// Converts a zero-terminated UTF-8 text into dst; refuses (dst empty) when it
// does not fit or is not convertible.
bool Utf8ToField(const char* utf8, wchar_t* dst, int cap);

// Converts from the system's ANSI code page (the "channel" file's encoding).
bool AnsiToField(const char* text, wchar_t* dst, int cap);

// Whether two 8-bit texts are equal ignoring case, as the launcher compares
// window and button function names.
bool EqualsIgnoringCaseA(const char* a, const char* b);

template <size_t N> bool CopyText(wchar_t (&dst)[N], const wchar_t* src) {
    return CopyText(dst, N, src);
}
template <size_t N> bool CopyTextA(char (&dst)[N], const char* src) {
    return CopyTextA(dst, N, src);
}
template <size_t N> bool AppendText(wchar_t (&dst)[N], const wchar_t* src) {
    return AppendText(dst, N, src);
}
