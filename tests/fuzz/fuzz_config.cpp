// "static.json" with "channel" (LoadStaticConfigFrom) and "Config.json"
// (LoadSavedState, SaveSavedState).
#include "fuzz.h"

#include "core/json_util.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "support/test_support.h"

#include <climits>
#include <cwchar>
#include <memory>

namespace fuzz {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const wchar_t kBuiltInUpdateUrl[] = L"http://u.example/";

bool StartsWithBom(const std::string& s) {
    return s.compare(0, 3, kBom) == 0;
}

bool FieldsTerminated(const StaticConfig& c) {
    if (!Terminated(c.updateUrl) || !Terminated(c.startUrl) || !Terminated(c.gameUrl) ||
        !Terminated(c.title) || !Terminated(c.loading) || !Terminated(c.baseDir))
        return false;
    if (c.windowCount < 0 || (c.windowCount && !c.windows)) return false;
    for (int i = 0; i < c.windowCount; ++i) {
        const WindowDesc& w = c.windows[i];
        if (!Terminated(w.name) || !Terminated(w.next) || !Terminated(w.cursor) ||
            !Terminated(w.background) || !Terminated(w.elements) || w.buttonCount < 0 ||
            (w.buttonCount && !w.buttons))
            return false;
    }
    return c.firstWindow >= -1 && c.firstWindow < c.windowCount;
}

const char* Text(const json_value* v) {
    return v ? v->u.string.ptr : "";
}

// A window found by name ("first_window", a window's "next") must be one
// whose own name in the file is that name, the empty name standing for a
// missing one: a name refused for its length must match nothing.
bool NamesMatch(const StaticConfig& c, const std::string& json, std::string& why) {
    JsonTree root = ParseJson(json.c_str(), json.size());
    const json_value* windows = JsonMemberOfType(root.get(), "windows", json_object);
    unsigned n = windows ? windows->u.object.length : 0;
    if (n != unsigned(c.windowCount)) return why = "windows differ from the file", false;
    auto named = [&](int i, const char* name) {
        return lstrcmpiA(windows->u.object.values[i].name, name) == 0;
    };
    if (c.firstWindow >= 0 &&
        !named(c.firstWindow, Text(JsonMemberOfType(root.get(), "first_window", json_string))))
        return why = "first window " + std::to_string(c.firstWindow) + " is not the one named",
               false;
    // The main window switches to every window that a "next" matches (the
    // first hundred are looked at).
    for (unsigned i = 0; i < n && i < 100; ++i) {
        const char* next =
            Text(JsonMemberOfType(windows->u.object.values[i].value, "next", json_string));
        for (unsigned j = 0; j < n && j < 100; ++j)
            if (IsWindowNamed(c.windows[j], c.windows[i].next, c.windows[i].nextRefused) &&
                !named(j, next))
                return why = "next of window " + std::to_string(i) + " finds window " +
                             std::to_string(j),
                       false;
    }
    return true;
}

bool RunStatic(const std::string& input, std::string& why) {
    static const std::string kSplit = "\n--channel--\n";
    size_t split = input.find(kSplit);
    std::string json = input.substr(0, split);
    std::map<std::wstring, std::string> files = {{L"static.json", json}};
    if (split != std::string::npos) files[L"channel"] = input.substr(split + kSplit.size());
    g_sandbox.Reset(files);
    std::unique_ptr<StaticConfig> c(new StaticConfig);
    c->LoadStaticConfigFrom(
        g_sandbox.Root().c_str(), L"Lumora 2", kBuiltInUpdateUrl, L"http://g.example/", 2,
        Hash(input) & 1 ? MachineCodeSource([] { return L"WD123"; })
                        : [] { return (const wchar_t*)nullptr; });
    if (!FieldsTerminated(*c)) return why = "a field lost its terminator", false;
    if (StartsWithBom(json) && (c->windowCount || wcscmp(c->updateUrl, kBuiltInUpdateUrl)))
        return why = "static.json with a byte-order mark was read", false;
    if (!StartsWithBom(json) && !NamesMatch(*c, json, why)) return false;
    return g_sandbox.Check({}, why);
}

StaticConfig g_noGameWindow; // so that loaded sizes are taken unbounded

bool RunSaved(const std::string& input, std::string& why) {
    g_sandbox.Reset({});
    std::wstring config = g_sandbox.Root() + L"\\Config.json";
    testing_support::WriteFileBytes(config, input);
    RECT work = {0, 0, 1920, 1040};
    std::wstring exe = g_sandbox.Root() + L"\\Lumora2.exe";
    SavedState s;
    s.InitSavedStateWith(exe.c_str(), g_noGameWindow, work);
    if (!Terminated(s.exePath) || !Terminated(s.exeDir) || !Terminated(s.configPath))
        return why = "a path lost its terminator", false;
    s.width = 1111, s.height = 2222, s.maximized = 3;
    s.LoadSavedState();

    // Only a JSON integer that fits 32 bits is taken; anything else keeps
    // the value before.
    long long expected[3] = {1111, 2222, 3};
    const char* const keys[3] = {"width", "height", "maximized"};
    JsonTree root = StartsWithBom(input) ? nullptr : ParseJson(input.c_str(), input.size());
    if (const json_value* w = JsonMemberOfType(root.get(), "window", json_object)) {
        for (int i = 0; i < 3; ++i) {
            const json_value* v = JsonMemberOfType(w, keys[i], json_integer);
            if (v && v->u.integer >= INT_MIN && v->u.integer <= INT_MAX) expected[i] = v->u.integer;
        }
    }
    int got[3] = {s.width, s.height, s.maximized};
    for (int i = 0; i < 3; ++i)
        if (got[i] != expected[i])
            return why = std::string(keys[i]) + " read as " + std::to_string(got[i]) +
                         ", expected " + std::to_string(expected[i]),
                   false;

    // What is saved reads back the same.
    s.SaveSavedState();
    SavedState t;
    t.InitSavedStateWith(exe.c_str(), g_noGameWindow, work);
    t.LoadSavedState();
    if (t.width != s.width || t.height != s.height || t.maximized != s.maximized)
        return why = "saved state does not read back", false;
    return g_sandbox.Check({}, why);
}

} // namespace

// clang-format off
const Driver kStaticConfig = {"static", {"\"update_url\":", "\"game_url\":", "\"first_window\":",
    "\"windows\":", "\"next\":", "\"buttons\":", "\"matrix\":", "\"defSize\":[", "\"border\":[",
    "\"func\":", "\"\":{}", "{}", "[]", "null", "true", "\\u0000", "\\ud800", kBom, "|", "%",
    "\n--channel--\n"}, nullptr, RunStatic};
const Driver kSavedState = {"config", {"\"window\":", "\"width\":", "\"height\":",
    "\"maximized\":", "{}", "[]", "null", "true", "-", "e5", kBom}, nullptr, RunSaved};
// clang-format on

} // namespace fuzz
