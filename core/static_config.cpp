#include "core/static_config.h"

#include "core/file_util.h"
#include "core/json_util.h"
#include "core/machine_code.h"
#include "core/text.h"
#include "win/scoped.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <shlwapi.h>

using namespace static_keys;

StaticConfig g_staticConfig;

bool IsWindowNamed(const WindowDesc& w, const char* name, bool nameRefused) {
    return !nameRefused && !w.nameRefused && name && lstrcmpiA(w.name, name) == 0;
}

int StaticConfig::FindWindowByName(const char* name) const {
    for (int i = 0; i < windowCount && windows; ++i)
        if (IsWindowNamed(windows[i], name)) return i;
    return -1;
}

namespace {

const char* StringValue(const json_value* obj, const char* key) {
    const json_value* v = JsonMemberOfType(obj, key, json_string);
    return v ? v->u.string.ptr : nullptr;
}

// A string key into a UTF-16 field; a missing, mistyped or oversized value
// leaves the field empty.
void ReadText(const json_value* obj, const char* key, wchar_t* field, int cap) {
    field[0] = L'\0';
    if (const char* s = StringValue(obj, key)) Utf8ToField(s, field, cap);
}

void ReadPoint(const json_value* obj, const char* key, IntPoint& p) {
    int v[2];
    if (JsonIntArray(JsonMember(obj, key), v, 2)) p = {v[0], v[1]};
}

void ReadSize(const json_value* obj, const char* key, IntSize& s) {
    int v[2];
    if (JsonIntArray(JsonMember(obj, key), v, 2)) s = {v[0], v[1]};
}

void ReadSkinPath(const json_value* obj, const char* key, const wchar_t* dir, wchar_t* field) {
    wchar_t name[256] = {};
    ReadText(obj, key, name, 256);
    if (!JoinPath(field, 260, dir, name)) field[0] = L'\0';
}

void ReadButton(const json_value* obj, ButtonDesc& b) {
    if (!obj || obj->type != json_object) return;
    b.func = ButtonFuncFromName(StringValue(obj, kFunc));
    ReadPoint(obj, kCoord, b.coord);
    ReadSize(obj, kSize, b.size);
    ReadPoint(obj, kNormal, b.normal);
    ReadPoint(obj, kHove, b.hove);
    ReadPoint(obj, kPressed, b.pressed);
    b.alter = b.normal;
    ReadPoint(obj, kAlter, b.alter);
    b.alter_hove = b.hove;
    ReadPoint(obj, kAlterHove, b.alter_hove);
    b.alter_pressed = b.pressed;
    ReadPoint(obj, kAlterPressed, b.alter_pressed);
}

void ReadMatrix(const json_value* obj, WindowDesc& w) {
    const json_value* m = JsonMemberOfType(obj, kMatrix, json_object);
    if (!m) return;
    for (int i = 0; i < 8; ++i) {
        int v[4];
        if (JsonIntArray(JsonMember(m, kPieces[i]), v, 4)) w.matrix[i] = {v[0], v[1], v[2], v[3]};
    }
    // The stretched pieces lose a pixel at each stretched end, so that the
    // interpolation at their ends never samples the neighbouring corner.
    for (int i : {kTop, kBottom}) {
        w.matrix[i].left += 1;
        w.matrix[i].right -= 1;
    }
    for (int i : {kLeft, kRight}) {
        w.matrix[i].top += 1;
        w.matrix[i].bottom -= 1;
    }
}

void ReadWindow(const json_value* obj, const wchar_t* dir, WindowDesc& w) {
    ReadSize(obj, kDefSize, w.defSize);
    ReadSize(obj, kMaxSize, w.maxSize);
    const json_value* margin = JsonMemberOfType(obj, kMargin, json_double);
    w.margin = (margin && margin->u.dbl != 0.0) ? margin->u.dbl : 0.1;
    w.startMax = JsonFlag(JsonMember(obj, kStartMax));
    w.use9Matrix = JsonFlag(JsonMember(obj, kUse9Matrix));
    ReadText(obj, kCursor, w.cursor, 260);
    w.resizable = JsonFlag(JsonMember(obj, kResizable));
    if (const char* next = StringValue(obj, kNext)) w.nextRefused = !CopyTextA(w.next, next);
    ReadSkinPath(obj, kBackground, dir, w.background);
    ReadSkinPath(obj, kElements, dir, w.elements);
    JsonIntArray(JsonMember(obj, kBorder), w.border, 4);
    if (const json_value* buttons = JsonMemberOfType(obj, kButtons, json_array)) {
        unsigned n = buttons->u.array.length;
        w.buttons.reset(n ? new (std::nothrow) ButtonDesc[n] : nullptr);
        if (w.buttons) {
            w.buttonCount = static_cast<int>(n);
            for (unsigned i = 0; i < n; ++i)
                ReadButton(buttons->u.array.values[i], w.buttons[i]);
        }
    }
    ReadMatrix(obj, w);
}

void ReadWindows(const json_value* root, const wchar_t* dir, const char* firstName,
                 bool firstRefused, StaticConfig& cfg) {
    const json_value* windows = JsonMemberOfType(root, kWindows, json_object);
    if (!windows || windows->u.object.length == 0) return;
    unsigned n = windows->u.object.length;
    cfg.windows.reset(new (std::nothrow) WindowDesc[n]);
    if (!cfg.windows) return;
    cfg.windowCount = static_cast<int>(n);
    for (unsigned i = 0; i < n; ++i) {
        const json_object_entry& e = windows->u.object.values[i];
        WindowDesc& w = cfg.windows[i];
        w.nameRefused = !CopyTextA(w.name, e.name); // over 31 bytes
        if (IsWindowNamed(w, firstName, firstRefused)) cfg.firstWindow = static_cast<int>(i);
        if (e.value->type == json_object) ReadWindow(e.value, dir, w);
    }
}

// Reads "channel": the code (escaped for the query) and, after a "|", the title.
bool ReadChannel(const wchar_t* dir, wchar_t* escapedCode, DWORD escapedCap, wchar_t* title) {
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, MAX_PATH, dir, L"channel")) return false;
    win::UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char text[256] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), text, 255, &got, nullptr)) got = 0;
    text[got] = '\0';
    wchar_t code[256] = {};
    if (char* bar = strchr(text, '|')) {
        *bar = '\0';
        wchar_t name[256];
        if (AnsiToField(bar + 1, name, 256)) CopyText(title, 256, name);
    }
    AnsiToField(text, code, 256);
    DWORD cap = escapedCap;
    if (FAILED(UrlEscapeW(code, escapedCode, &cap, URL_ESCAPE_SEGMENT_ONLY))) escapedCode[0] = 0;
    return true;
}

} // namespace

void StaticConfig::LoadStaticConfig(const wchar_t* productName, const wchar_t* staticUrl,
                                    const wchar_t* webUrl, int version) {
    wchar_t dir[MAX_PATH] = {};
    GetExeDirectory(dir, MAX_PATH);
    LoadStaticConfigFrom(dir, productName, staticUrl, webUrl, version, GetMachineCode);
}

void StaticConfig::LoadStaticConfigFrom(const wchar_t* dir, const wchar_t* productName,
                                        const wchar_t* staticUrl, const wchar_t* webUrl,
                                        int version, MachineCodeSource machineCode) {
    CopyText(title, productName);
    CopyText(updateUrl, staticUrl);
    CopyText(gameUrl, webUrl);
    CopyText(baseDir, dir);

    wchar_t path[MAX_PATH];
    if (!JoinPath(path, MAX_PATH, dir, L"static.json")) return;
    std::unique_ptr<char[]> text;
    size_t length = 0;
    if (!ReadWholeFile(path, text, length)) return;

    if (JsonTree root = ParseJson(text.get(), length)) {
        ReadText(root.get(), kUpdateUrl, updateUrl, 256);
        ReadText(root.get(), kGameUrl, gameUrl, 256);
        ReadText(root.get(), kLoading, loading, 256);
        char firstName[32] = {};
        bool firstRefused = false;
        if (const char* s = StringValue(root.get(), kFirstWindow))
            firstRefused = !CopyTextA(firstName, s);
        ReadWindows(root.get(), dir, firstName, firstRefused, *this);
        updateProgress = JsonFlag(JsonMember(root.get(), kUpdateProgress));
    }
    text.reset();

    wchar_t channel[256] = {};
    if (ReadChannel(dir, channel, 256, title)) {
        wchar_t query[512];
        const wchar_t* code = machineCode ? machineCode() : nullptr;
        if (code)
            swprintf(query, 512, L"?version=%d&machine_code=%ls&fn=", version, code);
        else
            swprintf(query, 512, L"?version=%d&fn=", version);
        // A query that would not fit is left off whole rather than cut.
        if (AppendText(query, channel)) AppendText(gameUrl, query);
    }
    ApplyFirstRunFlag();
}

void StaticConfig::ApplyFirstRunFlag() {
    CopyText(startUrl, gameUrl);
    wchar_t marker[MAX_PATH];
    if (JoinPath(marker, MAX_PATH, baseDir, L"first") && !PathFileExistsW(marker)) {
        win::UniqueHandle file(CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            WriteFile(file.Get(), "1", 1, &written, nullptr);
        }
        // Without a query yet, "&install=1" would become part of the page's path.
        AppendText(startUrl, wcschr(startUrl, L'?') ? L"&install=1" : L"?install=1");
    }
    wchar_t escaped[256] = {};
    DWORD cap = 256;
    if (SUCCEEDED(UrlEscapeW(startUrl, escaped, &cap, 0))) CopyText(startUrl, escaped);
}
