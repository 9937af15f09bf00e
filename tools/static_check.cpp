#include "tools/static_check.h"

#include "core/json_util.h"
#include "core/static_config.h"
#include "core/text.h"
#include "tools/tool_files.h"
#include "ui/skin_geometry.h"

#include <cctype>
#include <cstring>

using namespace static_keys;

namespace {

const char* const kFlags[] = {kStartMax, kUse9Matrix, kResizable};
const char* const kPoints[] = {kCoord, kNormal, kHove, kPressed, kAlter, kAlterHove, kAlterPressed};

// "(close, minimize, maximize, refresh)", for messages about "func".
std::string FuncNames() {
    std::string names;
    for (const char* func : kFuncs)
        names += (names.empty() ? "(" : ", ") + std::string(func);
    return names + ")";
}

struct KeyList {
    const char* const* keys;
    size_t count;
};
template <size_t N> KeyList Keys(const char* const (&keys)[N]) {
    return {keys, N};
}

const char* TypeName(const json_value* v) {
    switch (v->type) {
    case json_object:
        return "an object";
    case json_array:
        return "an array";
    case json_integer:
        return "an integer";
    case json_double:
        return "a number with a fraction";
    case json_string:
        return "a string";
    case json_boolean:
        return "a boolean";
    case json_null:
        return "null";
    default:
        return "no value";
    }
}

std::string Quoted(const char* text) {
    return std::string("\"") + text + "\"";
}

std::string Join(const std::string& path, const char* key) {
    return path.empty() ? std::string(key) : path + "." + key;
}

bool IsHttpUrl(const char* url) {
    static const char kScheme[] = "http://";
    for (size_t i = 0; i < sizeof kScheme - 1; ++i)
        if (tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return false;
    return true;
}

std::wstring Wide(const char* utf8) {
    wchar_t field[256] = {};
    Utf8ToField(utf8, field, 256);
    return field;
}

class Checker {
  public:
    Checker(const wchar_t* dir, ProblemList* out) : dir_(dir), out_(out) {}

    void Run(const char* text, size_t length) {
        if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
            Report("", "starts with a UTF-8 byte-order mark: the launcher then uses none of its "
                       "values; save the file without it");
        json_settings settings = {};
        char error[json_error_max] = {};
        JsonTree root(json_parse_ex(&settings, text, length, error));
        if (!root) {
            Report("", std::string("does not parse: ") + error +
                           " (the launcher then uses none of its values)");
            return;
        }
        if (root->type != json_object) {
            Report("", std::string("the top level is ") + TypeName(root.get()) +
                           ", not an object: the launcher reads no value from it");
            return;
        }
        CheckKeys(root.get(), "", Keys(kTopKeys));
        CheckUrl(root.get(), kUpdateUrl, true);
        CheckUrl(root.get(), kGameUrl, false);
        CheckLoading(root.get());
        CheckWindows(root.get());
        CheckFlag(root.get(), "", kUpdateProgress);
    }

  private:
    void Report(const std::string& key, const std::string& message) {
        out_->push_back({key, message});
    }

    void CheckFlag(const json_value* obj, const std::string& path, const char* key) {
        const json_value* flag = JsonMember(obj, key);
        if (flag && flag->type != json_boolean && flag->type != json_integer)
            Report(Join(path, key), std::string("is ") + TypeName(flag) +
                                        ", not true or false: the launcher takes it as false");
    }

    // Keys are compared exactly and the first of a name wins, so a key in
    // the wrong case or given twice is silently lost.
    void CheckKeys(const json_value* obj, const std::string& path, KeyList known) {
        for (unsigned i = 0; i < obj->u.object.length; ++i) {
            const json_object_entry& e = obj->u.object.values[i];
            std::string key = Join(path, e.name);
            const char* exact = nullptr;
            const char* similar = nullptr;
            for (size_t k = 0; k < known.count; ++k) {
                if (strcmp(known.keys[k], e.name) == 0) exact = known.keys[k];
                if (EqualsIgnoringCaseA(known.keys[k], e.name)) similar = known.keys[k];
            }
            if (!exact) {
                Report(key, similar ? "unknown key: keys are case-sensitive, the launcher ignores "
                                      "it (meant " +
                                          Quoted(similar) + "?)"
                                    : std::string("unknown key: the launcher ignores it"));
                continue;
            }
            for (unsigned j = 0; j < i; ++j) {
                if (strcmp(obj->u.object.values[j].name, e.name) == 0) {
                    Report(key, "given twice: the launcher reads only the first");
                    break;
                }
            }
        }
    }

    // A text value for a field of 255 characters, or null after reporting.
    const char* Text(const json_value* v, const std::string& key) {
        if (v->type != json_string) {
            Report(key,
                   std::string("is ") + TypeName(v) + ", not a string: the launcher ignores it");
            return nullptr;
        }
        wchar_t field[256];
        if (!Utf8ToField(v->u.string.ptr, field, 256)) {
            Report(key, "longer than 255 characters: the launcher leaves it empty");
            return nullptr;
        }
        return v->u.string.ptr;
    }

    // A window name ("next", "first_window"), or null after reporting.
    const char* Name(const json_value* v, const std::string& key) {
        if (v->type != json_string) {
            Report(key,
                   std::string("is ") + TypeName(v) + ", not a string: the launcher ignores it");
            return nullptr;
        }
        char field[32];
        if (!CopyTextA(field, v->u.string.ptr)) {
            Report(key, "longer than 31 bytes: the launcher refuses the name whole");
            return nullptr;
        }
        return v->u.string.ptr;
    }

    bool NamesWindow(const char* name) const {
        for (const std::string& n : names_)
            if (EqualsIgnoringCaseA(n.c_str(), name)) return true;
        return false;
    }

    void CheckUrl(const json_value* root, const char* key, bool isUpdateBase) {
        const json_value* v = JsonMember(root, key);
        if (!v) {
            Report(key, isUpdateBase ? "missing: the launcher would fetch no updates"
                                     : "missing: the launcher would open no page");
            return;
        }
        const char* url = Text(v, key);
        if (!url) return;
        if (!IsHttpUrl(url))
            Report(key, "not a plain HTTP URL (" + Quoted(url) + "): it must start with http://" +
                            (isUpdateBase ? ", the launcher's fetch takes no other" : ""));
        if (isUpdateBase && (!url[0] || url[strlen(url) - 1] != '/'))
            Report(key, "does not end with \"/\": file names are appended to it");
        if (!isUpdateBase && strchr(url, '?'))
            Report(key, "already has a query: the launcher appends its own \"?version=...\"");
    }

    // Whether the configured file is there; relative names are looked up in
    // the launcher directory. With image, also reads its size as the skin does.
    bool CheckFile(const char* name, bool joinedByLauncher, const std::string& key,
                   IntSize* image) {
        std::wstring full;
        if (!ConfiguredFile(dir_, Wide(name), joinedByLauncher, full) || !PathExists(full)) {
            Report(key, "file " + Quoted(name) + " not found");
            return false;
        }
        if (IsDirectory(full)) {
            Report(key, Quoted(name) + " is a folder, not a file");
            return false;
        }
        if (image) {
            if (!ReadImageSize(full, &image->cx, &image->cy) || image->cx <= 0 || image->cy <= 0) {
                Report(key, "file " + Quoted(name) + " cannot be read as an image");
                return false;
            }
        }
        return true;
    }

    void CheckLoading(const json_value* root) {
        const json_value* v = JsonMember(root, kLoading);
        if (!v) {
            Report(kLoading, "missing: the loading picture is needed");
            return;
        }
        const char* name = Text(v, kLoading);
        if (!name) return;
        IntSize image;
        if (!name[0])
            Report(kLoading, "empty: the loading picture is needed");
        else
            CheckFile(name, false, kLoading, &image);
    }

    void CheckWindows(const json_value* root) {
        const json_value* windows = JsonMember(root, kWindows);
        if (!windows || windows->type != json_object || windows->u.object.length == 0) {
            Report(kWindows, windows ? (windows->type == json_object
                                            ? std::string("has no window: the launcher shows none")
                                            : std::string("is ") + TypeName(windows) +
                                                  ", not an object: the launcher has no window")
                                     : std::string("missing: the launcher has no window"));
        } else {
            CheckWindowNames(windows);
        }
        const json_value* first = JsonMember(root, kFirstWindow);
        int firstIndex = -1;
        if (!first) {
            Report(kFirstWindow, "missing: the launcher would show no window");
        } else if (const char* name = Name(first, kFirstWindow)) {
            // Every window is compared, so the last match wins, as in the launcher.
            for (size_t i = 0; i < names_.size(); ++i)
                if (EqualsIgnoringCaseA(names_[i].c_str(), name)) firstIndex = static_cast<int>(i);
            if (firstIndex < 0 && !names_.empty())
                Report(kFirstWindow, "names no window (" + Quoted(name) + ")");
        }
        for (size_t i = 0; i < names_.size(); ++i) {
            const json_object_entry& e = windows->u.object.values[i];
            CheckWindow(e.value, Join(kWindows, e.name), static_cast<int>(i) == firstIndex);
        }
    }

    void CheckWindowNames(const json_value* windows) {
        for (unsigned i = 0; i < windows->u.object.length; ++i) {
            const json_object_entry& e = windows->u.object.values[i];
            const std::string key = Join(kWindows, e.name);
            char name[32] = {};
            if (!CopyTextA(name, e.name)) {
                Report(key, "window name longer than 31 bytes: the launcher leaves the window "
                            "unnamed");
                names_.push_back(std::string());
                continue;
            }
            for (unsigned j = 0; j < i; ++j) {
                if (names_[j].empty() || !EqualsIgnoringCaseA(names_[j].c_str(), name)) continue;
                Report(key, names_[j] == name
                                ? std::string("window given twice: the launcher keeps both under "
                                              "one name and the later one wins")
                                : "same name as window " + Quoted(names_[j].c_str()) +
                                      " apart from case: the launcher compares names ignoring "
                                      "case, so the later one wins");
                break;
            }
            names_.push_back(name);
        }
    }

    void CheckWindow(const json_value* w, const std::string& path, bool isFirst) {
        if (w->type != json_object) {
            Report(path, std::string("is ") + TypeName(w) + ", not an object: the window is empty");
            return;
        }
        CheckKeys(w, path, Keys(kWindowKeys));
        IntSize defSize = WindowDesc().defSize;
        int v[4];
        for (const char* key : {kDefSize, kMaxSize}) {
            const json_value* size = JsonMember(w, key);
            if (size && !JsonIntArray(size, v, 2))
                Report(Join(path, key),
                       "needs an array of 2 integers [cx, cy]: the launcher keeps its default");
        }
        if (JsonIntArray(JsonMember(w, kDefSize), v, 2)) defSize = {v[0], v[1]};
        if (const json_value* margin = JsonMember(w, kMargin))
            if (margin->type != json_double)
                Report(Join(path, kMargin), std::string("is ") + TypeName(margin) +
                                                ", not a number with a fraction part such as "
                                                "0.1: the launcher keeps 0.1");
        for (const char* key : kFlags)
            CheckFlag(w, path, key);
        const bool use9Matrix = JsonFlag(JsonMember(w, kUse9Matrix));
        const json_value* buttons = JsonMember(w, kButtons);
        const bool hasButtons = buttons && buttons->type == json_array && buttons->u.array.length;

        if (const json_value* cursor = JsonMember(w, kCursor))
            if (const char* name = Text(cursor, Join(path, kCursor)))
                if (name[0]) CheckFile(name, false, Join(path, kCursor), nullptr);
        if (const json_value* next = JsonMember(w, kNext))
            if (const char* name = Name(next, Join(path, kNext)))
                if (name[0] && !NamesWindow(name))
                    Report(Join(path, kNext), "names no window (" + Quoted(name) + ")");

        // Without nine-grid, and always in the first window, the window takes
        // its size from the background image.
        IntSize background;
        const char* name = Image(w, kBackground, path, &background);
        if (!name && (isFirst || !use9Matrix))
            Report(Join(path, kBackground),
                   "missing: the window takes its size from this image and would have none");
        IntSize elements;
        if (!Image(w, kElements, path, &elements) && (use9Matrix || hasButtons))
            Report(Join(path, kElements),
                   "missing: the nine-grid frame and the buttons take their pictures from it");

        if (const json_value* border = JsonMember(w, kBorder))
            if (!JsonIntArray(border, v, 4))
                Report(Join(path, kBorder), "needs an array of 4 integers [top, left, right, "
                                            "bottom]: the launcher keeps 0, 0, 0, 0");
        IntSize windowSize = defSize;
        const char* sizeFrom = kDefSize;
        if (!use9Matrix && background.cx > 0) {
            windowSize = background;
            sizeFrom = "its background image";
        }
        if (buttons && buttons->type != json_array)
            Report(Join(path, kButtons), std::string("is ") + TypeName(buttons) +
                                             ", not an array: the window has no buttons");
        else if (buttons)
            for (unsigned i = 0; i < buttons->u.array.length; ++i)
                CheckButton(buttons->u.array.values[i],
                            path + ".buttons[" + std::to_string(i) + "]", windowSize, sizeFrom,
                            elements, use9Matrix);
        CheckMatrix(w, path, use9Matrix, elements);
    }

    // Reports a missing file or a wrong value; null when the key is missing,
    // empty or unusable (the caller decides whether that matters).
    const char* Image(const json_value* w, const char* key, const std::string& path,
                      IntSize* image) {
        const json_value* v = JsonMember(w, key);
        const char* name = v ? Text(v, Join(path, key)) : nullptr;
        if (!name || !name[0]) return nullptr;
        CheckFile(name, true, Join(path, key), image);
        return name;
    }

    // A picture taken from the elements image must lie inside it, or part of
    // it is drawn from nothing. Not checked when the image is not there.
    void CheckInElements(const std::string& key, int left, int top, int right, int bottom,
                         IntSize elements) {
        if (elements.cx <= 0 || elements.cy <= 0) return;
        if (left < 0 || top < 0 || right > elements.cx || bottom > elements.cy)
            Report(key, "the picture " + std::to_string(left) + ", " + std::to_string(top) +
                            " to " + std::to_string(right) + ", " + std::to_string(bottom) +
                            " reaches outside the " + std::to_string(elements.cx) + " x " +
                            std::to_string(elements.cy) + " elements image");
    }

    void CheckButton(const json_value* b, const std::string& path, IntSize window,
                     const char* sizeFrom, IntSize elements, bool use9Matrix) {
        if (b->type != json_object) {
            Report(path, std::string("is ") + TypeName(b) +
                             ", not an object: the launcher makes it an empty button");
            return;
        }
        CheckKeys(b, path, Keys(kButtonKeys));
        if (const json_value* func = JsonMember(b, kFunc)) {
            if (func->type != json_string)
                Report(Join(path, kFunc), std::string("is ") + TypeName(func) +
                                              ", not a function name " + FuncNames());
            else if (ButtonFuncFromName(func->u.string.ptr) == kFuncNone)
                Report(Join(path, kFunc),
                       "unknown function " + Quoted(func->u.string.ptr) + " " + FuncNames());
        }
        int v[2];
        for (const char* key : kPoints) {
            const json_value* point = JsonMember(b, key);
            if (point && !JsonIntArray(point, v, 2))
                Report(Join(path, key), "needs an array of 2 integers [x, y]: the launcher "
                                        "ignores it");
        }
        ButtonDesc desc;
        const json_value* size = JsonMember(b, kSize);
        if (!size) {
            Report(Join(path, kSize), "missing: the button is 0 x 0 and can be neither seen "
                                      "nor pressed");
            return;
        }
        if (!JsonIntArray(size, v, 2)) {
            Report(Join(path, kSize), "needs an array of 2 integers [cx, cy]: the button is "
                                      "0 x 0 and can be neither seen nor pressed");
            return;
        }
        desc.size = {v[0], v[1]};
        if (desc.size.cx <= 0 || desc.size.cy <= 0) {
            Report(Join(path, kSize), "zero or negative size " + std::to_string(desc.size.cx) +
                                          " x " + std::to_string(desc.size.cy));
            return;
        }
        // Without nine-grid the normal faces are copied from the background.
        for (const char* key : kPoints) {
            bool fromBackground = !use9Matrix && (!strcmp(key, kNormal) || !strcmp(key, kAlter));
            if (strcmp(key, kCoord) && !fromBackground && JsonIntArray(JsonMember(b, key), v, 2))
                CheckInElements(Join(path, key), v[0], v[1], v[0] + desc.size.cx,
                                v[1] + desc.size.cy, elements);
        }
        if (JsonIntArray(JsonMember(b, kCoord), v, 2)) desc.coord = {v[0], v[1]};
        POINT at = ButtonPosition(desc, window.cx, window.cy);
        if (at.x < 0 || at.y < 0 || static_cast<long long>(at.x) + desc.size.cx > window.cx ||
            static_cast<long long>(at.y) + desc.size.cy > window.cy)
            Report(Join(path, kCoord),
                   "the button at " + std::to_string(at.x) + ", " + std::to_string(at.y) +
                       " of size " + std::to_string(desc.size.cx) + " x " +
                       std::to_string(desc.size.cy) + " reaches outside the " +
                       std::to_string(window.cx) + " x " + std::to_string(window.cy) +
                       " window (the size of " + sizeFrom + ")");
    }

    void CheckMatrix(const json_value* w, const std::string& path, bool use9Matrix,
                     IntSize elements) {
        const std::string key = Join(path, kMatrix);
        const json_value* matrix = JsonMember(w, kMatrix);
        if (!matrix) {
            if (use9Matrix)
                Report(key, "missing while use9Matrix is on: the frame would not be drawn");
            return;
        }
        if (matrix->type != json_object) {
            Report(key, std::string("is ") + TypeName(matrix) +
                            ", not an object: the frame would not be drawn");
            return;
        }
        CheckKeys(matrix, key, Keys(kPieces));
        for (const char* piece : kPieces) {
            const json_value* v = JsonMember(matrix, piece);
            int r[4];
            if (v && !JsonIntArray(v, r, 4))
                Report(Join(key, piece), "needs an array of 4 integers [left, top, right, "
                                         "bottom]: the piece is not drawn");
            else if (!v && use9Matrix)
                Report(Join(key, piece), "missing while use9Matrix is on: the piece is not drawn");
            else if (v)
                CheckInElements(Join(key, piece), r[0], r[1], r[2], r[3], elements);
        }
    }

    const wchar_t* dir_;
    ProblemList* out_;
    std::vector<std::string> names_; // window names as the launcher holds them
};

} // namespace

void CheckStaticConfig(const char* text, size_t length, const wchar_t* dir, ProblemList* out) {
    Checker(dir, out).Run(text, length);
}
