// lumora_fuzz DRIVER [--cases N] [--seconds S] [--seed S] [--save DIR]: the
// driver's known failing inputs (tests/fuzz/failing/DRIVER, which must pass
// now), then its seeds and their mutants. A case that fails a check, crashes
// or hangs is saved under its hash.
#include "fuzz.h"

#include "support/test_support.h"
#include "update/file_ops.h"

#include <atomic>
#include <cstdio>
#include <cstring>

using namespace testing_support;

namespace fuzz {

std::wstring g_root;

namespace {

constexpr size_t kMaxInput = 256 << 10;
constexpr ULONGLONG kHangMs = 60000;

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

void Snap(const std::wstring& dir, const std::wstring& skip, bool deep, Files& out) {
    ForEachIn(dir, [&](const std::wstring& path, const WIN32_FIND_DATAW& fd) {
        bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (path == skip) return;
        std::string& bytes = out[folder ? path + L"\\" : path];
        if (deep && folder) Snap(path, skip, deep, out);
        if (deep && !folder) ReadFileBytes(path, bytes);
    });
}

std::wstring g_top;
Files g_outside, g_good;

Files Outside() {
    Files s;
    Snap(g_top, g_root, true, s);
    Snap(L"C:", L"", false, s);
    Snap(L"Z:", L"", false, s);
    return s;
}

bool CreateSandbox() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    g_top = std::wstring(temp) + L"lumora-fuzz-" + std::to_wstring(GetCurrentProcessId());
    g_root = g_top + L"\\L";
    RemoveTree(g_top);
    // L2 shares the root's prefix: "L" followed by anything must not pass.
    if (!CreateDirectoryW(g_top.c_str(), nullptr) || !CreateDirectoryW(g_root.c_str(), nullptr) ||
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

} // namespace

uint64_t Hash(const std::string& bytes) {
    uint64_t h = 0xCBF29CE484222325ull; // FNV-1a
    for (unsigned char c : bytes)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

Files Tree(const std::wstring& dir) {
    Files files;
    Snap(dir, L"", true, files);
    return files;
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

namespace {

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

} // namespace fuzz

using namespace fuzz;

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    setvbuf(stdout, nullptr, _IONBF, 0);
    for (const Driver* d : {&kPackage, &kStaticConfig, &kStartGame})
        if (argc >= 2 && !strcmp(argv[1], d->name)) g_driver = d;
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
    struct Cleanup {
        ~Cleanup() { RemoveSandbox(); }
    } cleanup;
    if (!CreateSandbox()) {
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
    printf("%s: %llu cases in %.1f s (%.0f/s), %zu failing, %d of %d known failing inputs fail\n",
           name.c_str(), n, secs, secs > 0 ? n / secs : 0.0, failures.size(), knownFailing, known);
    // Handles that pile up over thousands of cases are a leak on every run.
    if (handlesAfterWarmUp && handles > handlesAfterWarmUp + 64) {
        printf("%s: handles grew from %lu to %lu\n", name.c_str(), handlesAfterWarmUp, handles);
        return 1;
    }
    return failures.empty() && !knownFailing ? 0 : 1;
}
