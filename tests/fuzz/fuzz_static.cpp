// "static.json" with "channel" (LoadStaticConfigFrom).
#include "fuzz.h"

#include "core/json_util.h"
#include "core/static_config.h"

#include <cwchar>
#include <memory>

namespace fuzz {

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const wchar_t kBuiltInUpdateUrl[] = L"http://u.example/";

bool FieldsTerminated(const StaticConfig& c) {
    bool ok = Terminated(c.updateUrl) && Terminated(c.startUrl) && Terminated(c.gameUrl) &&
              Terminated(c.title) && Terminated(c.loading) && Terminated(c.baseDir) &&
              c.windowCount >= 0 && (!c.windowCount || c.windows);
    for (int i = 0; ok && i < c.windowCount; ++i) {
        const WindowDesc& w = c.windows[i];
        ok = Terminated(w.name) && Terminated(w.next) && Terminated(w.cursor) &&
             Terminated(w.background) && Terminated(w.elements) && w.buttonCount >= 0 &&
             (!w.buttonCount || w.buttons);
    }
    return ok && c.firstWindow >= -1 && c.firstWindow < c.windowCount;
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
        return why = "first window is not the one named", false;
    // The main window switches to every window that a "next" matches (the
    // first hundred are looked at).
    for (unsigned i = 0; i < n && i < 100; ++i) {
        const char* next =
            Text(JsonMemberOfType(windows->u.object.values[i].value, "next", json_string));
        for (unsigned j = 0; j < n && j < 100; ++j)
            if (IsWindowNamed(c.windows[j], c.windows[i].next, c.windows[i].nextRefused) &&
                !named(j, next))
                return why = "next of window " + std::to_string(i) + " finds " + std::to_string(j),
                       false;
    }
    return true;
}

bool RunStatic(const std::string& input, std::string& why) {
    static const std::string kSplit = "\n--channel--\n";
    size_t split = input.find(kSplit);
    std::string json = input.substr(0, split);
    Files files = {{L"static.json", json}};
    if (split != std::string::npos) files[L"channel"] = input.substr(split + kSplit.size());
    ResetRoot(files);
    std::unique_ptr<StaticConfig> c(new StaticConfig);
    c->LoadStaticConfigFrom(
        g_root.c_str(), L"Lumora 2", kBuiltInUpdateUrl, L"http://g.example/", 2,
        Hash(input) & 1 ? MachineCodeSource([] { return L"WD123"; })
                        : [] { return (const wchar_t*)nullptr; });
    bool bom = json.compare(0, 3, kBom) == 0;
    if (!FieldsTerminated(*c)) return why = "a field lost its terminator", false;
    if (bom && (c->windowCount || wcscmp(c->updateUrl, kBuiltInUpdateUrl)))
        return why = "static.json with a byte-order mark was read", false;
    return (bom || NamesMatch(*c, json, why)) && CheckRoot({}, why);
}

} // namespace

// clang-format off
const Driver kStaticConfig = {"static", {"\"update_url\":", "\"game_url\":", "\"first_window\":",
    "\"windows\":", "\"next\":", "\"buttons\":", "\"matrix\":", "\"defSize\":[", "\"border\":[",
    "\"func\":", "\"\":{}", "{}", "[]", "null", "true", "\\u0000", "\\ud800", kBom, "|", "%",
    "\n--channel--\n"}, RunStatic};
// clang-format on

} // namespace fuzz
