// The text that the page hands to StartGame: whether it reports success, and
// the URL it carries, decoded into a heap buffer that travels with
// WM_START_GAME to the main window.
#pragma once

#include <cstddef>

// Where the url value starts (just past the one character after the url
// marker's colon) when the text reports "ok" and has a url member; null when
// the text must be answered with the "ERROR" box.
const wchar_t* FindStartGameUrl(const wchar_t* text);

// Decodes the value that starts at value, up to its first unescaped double
// quote or the end of the text, into dst of capacity characters (terminator
// included; nothing is written when capacity is 0). Returns the length of
// the whole decoded value, which may exceed what fitted.
size_t DecodeStartGameUrl(const wchar_t* value, wchar_t* dst, size_t capacity);

// Whether url may be opened in the launcher's browser: an http:// or https://
// address (scheme in any case) with a host, and no control characters. Every
// other scheme, a UNC or file path, and text that starts with a blank (which
// the browser would trim into something else) are refused.
bool IsWebUrl(const wchar_t* url);

// The smallest URL buffer handed on: 1023 characters and the terminator. A
// longer URL gets a buffer sized to fit, since a cut URL opens the wrong page.
constexpr size_t kStartGameUrlMinChars = 1024;

// URL buffers come from the process heap (HeapAlloc on GetProcessHeap); the
// receiver of WM_START_GAME releases them with FreeStartGameUrl.
wchar_t* AllocStartGameUrl(size_t chars);
void FreeStartGameUrl(wchar_t* url);

// Replaceable so that tests can refuse the allocation; the product uses
// AllocStartGameUrl.
using StartGameUrlAllocFn = wchar_t* (*)(size_t chars);
extern StartGameUrlAllocFn g_startGameUrlAlloc;

enum class StartGameOutcome {
    Url,     // *url holds a heap buffer owned by the caller
    Error,   // the text does not report "ok", has no url, or no web address
    NoMemory // the URL buffer could not be allocated
};

// The whole decoding step of StartGame; *url is set only for Url.
StartGameOutcome ParseStartGame(const wchar_t* text, wchar_t** url);
