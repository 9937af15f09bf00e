#include "core/saved_state.h"

#include "core/file_util.h"
#include "core/json_util.h"
#include "core/static_config.h"
#include "core/text.h"

#include <cstdint>
#include <cstdio>
#include <shlwapi.h>

SavedState g_savedState;

namespace {

const WindowDesc* GameWindow(const StaticConfig* config) {
    return config ? config->Window(config->FindWindowByName("game")) : nullptr;
}

// A member that is a JSON integer within 32 bits; anything else reads as missing
// rather than wrapping (4294968596 is not 1300).
void ReadInt(const json_value* obj, const char* key, int& out) {
    const json_value* v = JsonMemberOfType(obj, key, json_integer);
    if (v && v->u.integer >= INT32_MIN && v->u.integer <= INT32_MAX)
        out = static_cast<int>(v->u.integer);
}

int Bound(int value, int upper, int lower) {
    if (value > upper) return upper;
    if (value < lower) return lower;
    return value;
}

} // namespace

void SavedState::InitSavedStateWith(const wchar_t* executablePath, const StaticConfig& cfg,
                                    const RECT& work) {
    config = &cfg;
    width = 1300;
    height = 768;
    maximized = 0;
    if (const WindowDesc* game = GameWindow(config)) {
        int w = work.right - work.left;
        int h = work.bottom - work.top;
        int mh = static_cast<int>(h * game->margin);
        int mw = static_cast<int>(w * game->margin);
        width = Bound(w - 2 * mw, game->maxSize.cx, game->defSize.cx);
        height = Bound(h - 2 * mh, game->maxSize.cy, game->defSize.cy);
    }
    exePath[0] = exeDir[0] = configPath[0] = L'\0';
    wchar_t tmp[MAX_PATH] = {};
    if (!executablePath || !CopyText(tmp, executablePath)) return;
    if (!PathCanonicalizeW(exePath, tmp)) return;
    CopyText(exeDir, exePath);
    PathRemoveFileSpecW(exeDir);
    wchar_t joined[MAX_PATH] = {};
    if (JoinPath(joined, MAX_PATH, exeDir, L"Config.json")) PathCanonicalizeW(configPath, joined);
}

void SavedState::LoadSavedState() {
    std::unique_ptr<char[]> text;
    size_t length = 0;
    if (!configPath[0] || !ReadWholeFile(configPath, text, length)) return;
    if (JsonTree root = ParseJson(text.get(), length)) {
        if (const json_value* win = JsonMemberOfType(root.get(), "window", json_object)) {
            ReadInt(win, "width", width);
            ReadInt(win, "height", height);
            ReadInt(win, "maximized", maximized);
        }
    }
    if (const WindowDesc* game = GameWindow(config)) {
        width = Bound(width, game->maxSize.cx, game->defSize.cx);
        height = Bound(height, game->maxSize.cy, game->defSize.cy);
    }
}

void SavedState::SaveSavedState() {
    if (!configPath[0]) return;
    FILE* f = _wfopen(configPath, L"wt");
    if (!f) return;
    fprintf(f, "{\"window\": {\"width\":%d, \"height\":%d, \"maximized\":%d} }", width, height,
            maximized);
    fclose(f);
}
