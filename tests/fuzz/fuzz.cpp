// lumora_fuzz DRIVER [--cases N] [--seconds S] [--seed S] [--save DIR]: the launcher's
// outside inputs fuzzed in-process (one seeded mutator, a sandbox checked after every case, a
// driver per input). Known failing inputs (tests/fuzz/failing/DRIVER, which must pass now) come
// first, then the seeds and their mutants; a case that fails, crashes or hangs is saved.
#include "core/json_util.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "update/file_ops.h"
#include "update/package.h"
#include "web/start_game.h"

#include <7z.h>
#include <7zCrc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <set>

using namespace testing_support;

namespace {

using Files = std::map<std::wstring, std::string>;
constexpr size_t kMaxInput = 256 << 10;
constexpr ULONGLONG kHangMs = 60000;

uint64_t Hash(const std::string& bytes) {
    uint64_t h = 0xCBF29CE484222325ull; // FNV-1a
    for (unsigned char c : bytes)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

struct Rng {
    uint64_t s;
    uint64_t Next() { // splitmix64
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n ? size_t(Next() % n) : 0; }
};

// clang-format off
const char kBytes[] = {0, 1, 0x7F, char(0x80), char(0xFF), '"', '\\', '/', ':', '.', ' ', '{', '['};
const uint64_t kInts[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0xFFFF, 0x10000, 0x7FFFFFFF,
    0x80000000u, 0xFFFFFFFFu, 260, 1024, 1ull << 32, ~0ull, ~0ull >> 1};
const size_t kLengths[] = {31, 32, 255, 256, 259, 260, 1023, 1024, 4096};
const char* const kNumbers[] = {"0", "-1", "2147483647", "2147483648", "-2147483649", "4294967295",
    "4294968596", "9223372036854775807", "9223372036854775808", "-9223372036854775809", "1e309",
    "0.0", "0.05"};

template <class T, size_t N> const T& Pick(Rng& r, const T (&a)[N]) { return a[r.Below(N)]; }

void Mutate(std::string& b, Rng& r, const std::vector<std::string>& corpus,
            const std::vector<std::string>& dict) {
    // Formats keep their marks at the start (signatures, byte-order marks).
    size_t pos = r.Below(8) ? r.Below(b.size() + 1) : 0, rest = b.size() - pos;
    switch (r.Below(12)) {
    case 0: if (rest) b[pos] ^= char(1 << r.Below(8)); break;
    case 1: if (rest) b[pos] = Pick(r, kBytes); break;
    case 2: { // an interesting value over a length or count field
        size_t width = size_t(1) << r.Below(4);
        uint64_t v = Pick(r, kInts) + r.Below(3) - 1;
        if (width <= rest) memcpy(&b[pos], &v, width);
        break;
    }
    case 3: for (size_t n = 1 + r.Below(8); n; --n) b.insert(pos, 1, char(r.Next())); break;
    case 4: b.erase(pos, 1 + r.Below(rest < 16 ? rest + 1 : 16)); break;
    case 5: if (!b.empty()) { size_t from = r.Below(b.size());
        b.insert(pos, b.substr(from, 1 + r.Below(64))); } break;
    case 6: { const std::string& other = corpus[r.Below(corpus.size())];
        b = b.substr(0, pos) + other.substr(r.Below(other.size() + 1)); break; }
    case 7: b.resize(pos); break;
    case 8: if (!dict.empty()) b.insert(pos, dict[r.Below(dict.size())]); break;
    case 9: if (!dict.empty()) { const std::string& t = dict[r.Below(dict.size())];
        b.replace(pos, t.size(), t); } break;
    case 10: // a run that ends at a field's edge
        b.insert(pos, std::string(Pick(r, kLengths) + r.Below(3) - 1, "aA.\\/ %"[r.Below(7)]));
        break;
    default: { // another number in place of one
        size_t s = b.find_first_of("-0123456789", pos);
        size_t e = s == std::string::npos ? s : b.find_first_not_of("0123456789.eE+-", s + 1);
        if (s == std::string::npos) s = pos;
        b.replace(s, e == std::string::npos ? std::string::npos : e - s, Pick(r, kNumbers));
    }
    }
    if (b.size() > kMaxInput) b.resize(kMaxInput);
}
// clang-format on

// Every file and folder below dir but skip, by full path (a folder's ends
// with "\"), with the files' bytes; only dir's own names unless deep.
Files Tree(const std::wstring& dir, const std::wstring& skip = L"", bool deep = true) {
    Files out;
    ForEachIn(dir, [&](const std::wstring& path, const WIN32_FIND_DATAW& fd) {
        bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (path == skip) return;
        std::string& bytes = out[folder ? path + L"\\" : path];
        if (deep && folder) out.merge(Tree(path, skip));
        if (deep && !folder) ReadFileBytes(path, bytes);
    });
    return out;
}

// The launcher directory of the cases (g_root) lies inside a sentinel tree (a
// sibling that shares its prefix, a file beside it, the current directory),
// so that a write through "..", a drive-relative or an absolute name shows up.
std::wstring g_top, g_root;
Files g_outside, g_good;

Files Outside() {
    Files s = Tree(g_top, g_root);
    s.merge(Tree(L"C:", L"", false));
    s.merge(Tree(L"Z:", L"", false));
    return s;
}

bool CreateSandbox(const std::wstring& top) {
    g_top = top;
    g_root = g_top + L"\\L";
    // L2 shares the root's prefix: "L" followed by anything must not pass.
    if (!CreateDirectoryW(g_root.c_str(), nullptr) ||
        !CreateDirectoryW((g_top + L"\\L2").c_str(), nullptr) ||
        !WriteFileBytes(g_top + L"\\L2\\keep.txt", "sibling") ||
        !WriteFileBytes(g_top + L"\\outside.txt", "outside"))
        return false;
    SetCurrentDirectoryW(g_top.c_str());
    g_outside = Outside();
    return true;
}

void RemoveSandbox() {
    SetCurrentDirectoryW(L"C:\\");
    if (!g_top.empty()) RemoveTree(g_top);
}

void ResetRoot(const Files& goodFiles) {
    RemoveTree(g_root);
    CreateDirectoryW(g_root.c_str(), nullptr);
    for (const auto& f : goodFiles) {
        size_t slash = f.first.rfind(L'\\');
        if (slash != std::wstring::npos)
            CreateDirectoryW((g_root + L"\\" + f.first.substr(0, slash)).c_str(), nullptr);
        WriteFileBytes(g_root + L"\\" + f.first, f.second);
    }
    g_good = goodFiles;
}

// Nothing outside the root changed; every good file is untouched or holds
// one of the allowed contents.
bool CheckRoot(const std::set<std::string>& allowed, std::string& why) {
    Files now = Outside();
    for (const auto& n : now)
        if (!g_outside.count(n.first) || g_outside.at(n.first) != n.second)
            why = "written outside the root: " + Narrow(n.first);
    for (const auto& o : g_outside)
        if (!now.count(o.first)) why = "removed outside the root: " + Narrow(o.first);
    if (!why.empty()) {
        g_outside = now; // so that the next cases are judged on their own
        return false;
    }
    for (const auto& g : g_good) {
        std::string bytes;
        if (!ReadFileBytes(g_root + L"\\" + g.first, bytes))
            return why = "good file gone: " + Narrow(g.first), false;
        if (bytes != g.second && !allowed.count(bytes))
            return why = "good file " + Narrow(g.first) + " holds " + std::to_string(bytes.size()) +
                         " bytes that are no whole entry",
                   false;
    }
    return true;
}

template <class C, size_t N> bool Terminated(const C (&field)[N]) {
    return std::find(field, field + N, C(0)) != field + N;
}

// --- package: ExtractPackage on mutated 7z packages ---

// The bytes of every whole file entry of a 7z archive; files receives their count.
std::set<std::string> EntryContents(const std::string& archive, size_t& files) {
    std::set<std::string> contents;
    MemoryInStream stream;
    MemoryInStream_Init(&stream, archive.data(), archive.size());
    static Byte buf[1 << 14];
    CLookToRead2 look;
    LookToRead2_CreateVTable(&look, False);
    look.buf = buf;
    look.bufSize = sizeof buf;
    look.realStream = &stream.vt;
    LookToRead2_INIT(&look);
    CSzArEx db;
    SzArEx_Init(&db);
    UInt32 block = 0xFFFFFFFF;
    Byte* out = nullptr;
    size_t outSize = 0, offset = 0, size = 0;
    files = 0;
    if (SzArEx_Open(&db, &look.vt, &g_packageAllocMain, &g_packageAllocTemp) == SZ_OK)
        for (UInt32 i = 0; i < db.NumFiles; ++i) {
            if (SzArEx_IsDir(&db, i)) continue;
            if (SzArEx_Extract(&db, &look.vt, i, &block, &out, &outSize, &offset, &size,
                               &g_packageAllocMain, &g_packageAllocTemp) != SZ_OK)
                break;
            contents.emplace(reinterpret_cast<char*>(out) + offset, size);
            ++files;
        }
    ISzAlloc_Free(&g_packageAllocMain, out);
    SzArEx_Free(&db, &g_packageAllocMain);
    return contents;
}

// Mutants of an uncompressed header get their checksums back, or nearly all
// of them would stop at the first check and never reach the header's fields.
void RepairPackage(std::string& b, uint64_t coin) {
    if (coin % 8 == 0 || b.size() < 32 || memcmp(b.data(), k7zSignature, k7zSignatureSize)) return;
    uint64_t offset, size;
    memcpy(&offset, &b[12], 8);
    memcpy(&size, &b[20], 8);
    if (offset <= b.size() - 32 && size <= b.size() - 32 - offset) {
        UInt32 crc = CrcCalc(&b[32 + offset], size);
        memcpy(&b[28], &crc, 4);
    }
    UInt32 crc = CrcCalc(&b[12], 20);
    memcpy(&b[8], &crc, 4);
}

bool RunPackage(const std::string& input, std::string& why) {
    bool launcher = Hash(input) % 4 == 0;
    Files good = {{L"a.txt", "good a"}, {L"sub\\b.txt", "good b"}, {L"keep.bin", "good keep"}};
    if (launcher) good[L"update\\a.txt"] = "good update a";
    ResetRoot(good);
    const uint64_t kCanary = 0x5A5A5A5A5A5A5A5Aull;
    struct {
        wchar_t path[MAX_PATH];
        uint64_t canary;
    } out = {{}, kCanary};
    std::wstring dest = g_root + (launcher ? L"\\update" : L""), update = g_root + L"\\update\\";
    int written =
        ExtractPackage(dest.c_str(), input.data(), input.size(), launcher ? out.path : nullptr);
    size_t files = 0, added = 0;
    std::set<std::string> contents = EntryContents(input, files);
    if (out.canary != kCanary || !Terminated(out.path))
        return why = "new launcher path overrun", false;
    if (written < 0 || size_t(written) > files)
        return why = "wrote " + std::to_string(written) + " of " + std::to_string(files), false;
    if (launcher ? written && wcsncmp(out.path, update.c_str(), update.size()) : out.path[0] != 0)
        return why = "new launcher path outside the update folder", false;
    // Each entry written puts at most one new file in place: nothing else
    // (a temporary file, say) may stay behind.
    for (const auto& f : Tree(g_root))
        added += f.first.back() != L'\\' && !good.count(f.first.substr(g_root.size() + 1));
    if (added > size_t(written)) return why = std::to_string(added) + " new files", false;
    return CheckRoot(contents, why);
}

std::string Utf16(const std::wstring& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

// --- static: "static.json" with "channel" (LoadStaticConfigFrom) ---

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

// A window found by name ("first_window", a window's "next") must be one
// whose own name in the file is that name, the empty name standing for a
// missing one: a name refused for its length must match nothing.
bool NamesMatch(const StaticConfig& c, const std::string& json, std::string& why) {
    JsonTree root = ParseJson(json.c_str(), json.size());
    auto text = [](const json_value* v) { return v ? v->u.string.ptr : ""; };
    const json_value* windows = JsonMemberOfType(root.get(), "windows", json_object);
    unsigned n = windows ? windows->u.object.length : 0;
    if (n != unsigned(c.windowCount)) return why = "windows differ from the file", false;
    auto named = [&](int i, const char* name) {
        return lstrcmpiA(windows->u.object.values[i].name, name) == 0;
    };
    if (c.firstWindow >= 0 &&
        !named(c.firstWindow, text(JsonMemberOfType(root.get(), "first_window", json_string))))
        return why = "first window is not the one named", false;
    // The main window switches to every window that a "next" matches (the
    // first hundred are looked at).
    for (unsigned i = 0; i < n && i < 100; ++i) {
        const char* next =
            text(JsonMemberOfType(windows->u.object.values[i].value, "next", json_string));
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

// --- start_game: the text the page hands to StartGame (UTF-8 in the corpus,
// UTF-16 as the page's string arrives) ---

bool RunStartGame(const std::string& input, std::string& why) {
    std::wstring text = Widen(input);
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

struct Driver {
    const char* name;
    std::vector<std::string> dictionary; // tokens the mutator inserts or writes over
    bool (*run)(const std::string& input, std::string& why); // false with a reason
    void (*repair)(std::string& bytes, uint64_t coin) = nullptr;
};

// clang-format off
const Driver kDrivers[] = {
    {"package", {Utf16(L".."), Utf16(L"\\"), Utf16(L"/"), Utf16(L"C:"), Utf16(L"\\\\"),
        Utf16(L"CON"), Utf16(L":"), Utf16(L" "), Utf16(L"."), Utf16(L"aux.txt"), std::string(2, '\0'),
        // Property ids of the header: names, empty streams and files, sizes,
        // checksums, folders and the end mark.
        "\x11", "\x0E", "\x0F", "\x19", "\x09", "\x0A", "\x0B", "\x0C", "\x0D", std::string(1, '\0')},
     RunPackage, RepairPackage},
    {"static", {"\"update_url\":", "\"game_url\":", "\"first_window\":", "\"windows\":",
        "\"next\":", "\"buttons\":", "\"matrix\":", "\"defSize\":[", "\"border\":[", "\"func\":",
        "\"\":{}", "{}", "[]", "null", "true", "\\u0000", "\\ud800", kBom, "|", "%",
        "\n--channel--\n"}, RunStatic},
    {"start_game", {"\"result\":", "\"ok\"", "\"OK\"", "\"url\":", "\"", "\\", "\\\"", "\\u",
        "\\/", std::string(1, '\0')}, RunStartGame},
};
// clang-format on

// Read by the crash filter and the watchdog without allocating: the heap may
// be what broke.
const std::string* volatile g_current = nullptr;
std::atomic<ULONGLONG> g_caseStart{0};
std::atomic<unsigned long long> g_cases{0};
const Driver* g_driver = nullptr;
wchar_t g_saveDir[MAX_PATH] = {};

void Save(const char* kind, const std::string& input) {
    wchar_t path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%ls\\%hs-%hs-%016llx", g_saveDir, g_driver->name, kind,
             static_cast<unsigned long long>(Hash(input)));
    CreateDirectoryW(g_saveDir, nullptr);
    if (WriteFileBytes(path, input)) fprintf(stderr, "saved %ls\n", path);
}

[[noreturn]] void Die(const char* what) {
    static LONG dying = 0;
    if (InterlockedExchange(&dying, 1)) TerminateProcess(GetCurrentProcess(), 3);
    fprintf(stderr, "%s: %s in case %016llx after %llu cases\n", g_driver->name, what,
            g_current ? static_cast<unsigned long long>(Hash(*g_current)) : 0ull, g_cases.load());
    if (g_current) Save(what, *g_current);
    fflush(stderr);
    RemoveSandbox(); // a crash in here too ends the process at once
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {}
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* e) {
    fprintf(stderr, "exception %08lx at %p\n", e->ExceptionRecord->ExceptionCode,
            e->ExceptionRecord->ExceptionAddress);
    Die("crash");
}

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(1000);
        ULONGLONG start = g_caseStart;
        if (start && GetTickCount64() - start > kHangMs) Die("hang");
    }
}

bool RunCase(const std::string& input, std::string& why) {
    g_current = &input;
    g_caseStart = GetTickCount64();
    why.clear();
    bool ok = g_driver->run(input, why);
    // An overrun of a heap block shows here even when it did not crash.
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; ok && i < n && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) ok = false, why = "heap damaged";
    g_caseStart = 0;
    g_current = nullptr;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    setvbuf(stdout, nullptr, _IONBF, 0);
    for (const Driver& d : kDrivers)
        if (argc >= 2 && !strcmp(argv[1], d.name)) g_driver = &d;
    if (!g_driver) {
        fprintf(stderr, "usage: lumora_fuzz package|static|start_game "
                        "[--cases N] [--seconds S] [--seed S] [--save DIR]\n");
        return 2;
    }
    unsigned long long cases = 0, seconds = 0, seed = 1;
    std::wstring save = BinaryPath("tests/fuzz/found");
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string opt = argv[i], val = argv[i + 1];
        if (opt == "--cases") cases = std::stoull(val);
        if (opt == "--seconds") seconds = std::stoull(val);
        if (opt == "--seed") seed = std::stoull(val);
        if (opt == "--save") save = Widen(val);
    }
    wcsncpy(g_saveDir, save.c_str(), MAX_PATH - 1);
    SetUnhandledExceptionFilter(OnCrash);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    g_retryPause = [](DWORD) {}; // held files are retried; the pauses would only slow the cases
    CrcGenerateTable();
    TempDir top;
    struct Cleanup {
        ~Cleanup() { RemoveSandbox(); }
    } cleanup;
    if (!CreateSandbox(top.Path())) {
        fprintf(stderr, "%s: setup failed\n", g_driver->name);
        return 2;
    }
    std::string why, name = g_driver->name;
    int knownFailing = 0, known = 0;
    ForEachIn(SourcePath("tests/fuzz/failing/" + name), [&](const std::wstring& file, auto&) {
        std::string input;
        ++known;
        if (ReadFileBytes(file, input) && RunCase(input, why)) return;
        printf("%s: %s still fails: %s\n", name.c_str(), Narrow(file).c_str(), why.c_str());
        ++knownFailing;
    });
    // Known failing inputs are not mutated: until mended they would only be found again.
    std::vector<std::string> corpus;
    ForEachIn(BinaryPath("tests/fuzz/corpus/" + name), [&](const std::wstring& file, auto&) {
        if (!ReadFileBytes(file, corpus.emplace_back()) || corpus.back().size() > kMaxInput)
            corpus.pop_back();
    });
    if (corpus.empty()) {
        fprintf(stderr, "%s: no corpus (run tests/fuzz/make_corpus.sh)\n", name.c_str());
        return 2;
    }
    Rng rng{seed};
    std::set<uint64_t> failures;
    ULONGLONG begin = GetTickCount64();
    DWORD handles = 0, handlesAfterWarmUp = 0;
    unsigned long long n = 0;
    for (; (!cases || n < cases) && (!seconds || GetTickCount64() - begin < seconds * 1000);
         g_cases = ++n) {
        if (n == 50) GetProcessHandleCount(GetCurrentProcess(), &handlesAfterWarmUp);
        std::string input = corpus[n % corpus.size()]; // the seeds themselves first
        if (n >= corpus.size()) {
            for (size_t rounds = 1 + rng.Below(4); rounds; --rounds)
                Mutate(input, rng, corpus, g_driver->dictionary);
            if (g_driver->repair) g_driver->repair(input, rng.Next());
        }
        if (RunCase(input, why) || !failures.insert(Hash(input)).second) continue;
        printf("%s: case %llu: %s\n", name.c_str(), n, why.c_str());
        Save("fail", input);
        if (failures.size() >= 20) break;
    }
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    double secs = (GetTickCount64() - begin) / 1000.0;
    // Handles that pile up over thousands of cases are a leak on every run.
    bool leak = handlesAfterWarmUp && handles > handlesAfterWarmUp + 64;
    printf("%s: %llu cases in %.1f s (%.0f/s), %zu failing, %d of %d known failing inputs fail, "
           "handles %lu, %lu after warm-up\n",
           name.c_str(), n, secs, secs > 0 ? n / secs : 0.0, failures.size(), knownFailing, known,
           handles, handlesAfterWarmUp);
    return failures.empty() && !knownFailing && !leak ? 0 : 1;
}
