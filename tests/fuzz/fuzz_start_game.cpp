// The text the page hands to StartGame (UTF-8 in the corpus, UTF-16 as the
// page's string arrives).
#include "fuzz.h"

#include "support/test_support.h"
#include "web/start_game.h"

#include <cwchar>

namespace fuzz {

namespace {

bool Run(const std::string& input, std::string& why) {
    std::wstring text = testing_support::Widen(input);
    StartGameUrlAllocFn alloc = g_startGameUrlAlloc;
    bool refuse = Hash(input) % 8 == 0;
    if (refuse) g_startGameUrlAlloc = [](size_t) -> wchar_t* { return nullptr; };
    wchar_t* url = nullptr;
    StartGameOutcome outcome = ParseStartGame(text.c_str(), &url);
    g_startGameUrlAlloc = alloc;
    if (outcome != StartGameOutcome::Url) return url ? why = "a URL without success", false : true;
    if (refuse) return why = "a URL although the buffer was refused", false;
    size_t chars = HeapSize(GetProcessHeap(), 0, url) / sizeof(wchar_t),
           length = wcsnlen(url, chars);
    FreeStartGameUrl(url);
    if (chars < kStartGameUrlMinChars || length >= chars)
        return why = "URL buffer of " + std::to_string(chars) + " characters", false;
    return length <= wcslen(text.c_str()) || (why = "URL longer than the text", false);
}

} // namespace

const Driver kStartGame = {"start_game",
                           {"\"result\":", "\"ok\"", "\"OK\"", "\"url\":", "\"", "\\", "\\\"",
                            "\\u", "\\/", std::string(1, '\0')},
                           Run};

} // namespace fuzz
