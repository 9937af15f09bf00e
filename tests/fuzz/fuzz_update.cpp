// The manifest: RunUpdate against the test server, which serves the mutated
// "update.json" beside real packages.
#include "fuzz.h"

#include "support/test_support.h"
#include "update/http_fetch.h"
#include "update/update.h"

using namespace testing_support;

namespace fuzz {

namespace {

struct ServedFolder { // this process's folder on the server
    std::wstring path;
    ~ServedFolder() {
        if (!path.empty()) RemoveTree(path);
    }
} g_www;
std::set<std::string> g_served; // every entry of every package served
std::wstring g_updateUrl;

bool Setup() {
    std::string port;
    if (!ReadFileBytes(g_serverDir + L"\\port", port) || port.empty()) return false;
    std::wstring name = L"fuzz-" + std::to_wstring(GetCurrentProcessId());
    g_www.path = g_serverDir + L"\\www\\" + name;
    CopyTree(BinaryPath("tests/fuzz/corpus/manifest/www"), g_www.path);
    for (const auto& f : Tree(g_www.path)) {
        std::set<std::string> entries = EntryContents(f.second);
        g_served.insert(entries.begin(), entries.end());
    }
    g_updateUrl = L"http://127.0.0.1:" + Widen(port) + L"/" + name + L"/";
    DWORD length = 0; // the server answers: a dead one would pass every case
    return !g_served.empty() && HttpFetch((g_updateUrl + L"3/a.7z").c_str(), &length);
}

bool Run(const std::string& input, std::string& why) {
    ResetRoot({{L"a.txt", "good a"}, {L"sub\\b.txt", "good b"}, {L"keep.bin", "good keep"}});
    WriteFileBytes(g_www.path + L"\\update.json", input);
    Files before = Tree(g_root);
    // A launcher name that no served package holds: a fetched launcher
    // member must not end in a start.
    if (RunUpdate(g_root.c_str(), (g_root + L"\\fuzz-launcher.exe").c_str(), g_updateUrl.c_str(),
                  2))
        return why = "started a launcher that no package holds", false;
    if (input.compare(0, 3, "\xEF\xBB\xBF") == 0 && Tree(g_root) != before)
        return why = "a manifest with a byte-order mark was used", false;
    return CheckRoot(g_served, why);
}

} // namespace

// clang-format off
const Driver kManifest = {"manifest", {"\"version\":", "\"files\":", "\"a.txt\":", "\"sub\\\\b.txt\":",
    "\"evil.txt\":", "\"fuzz-launcher.exe\":", "\"readme\":", "\"..\\\\",
    "\"00000000000000000000000000000000\"", "\\u0000", "{}", "[]", "null", "\xEF\xBB\xBF"}, Setup, Run};
// clang-format on

} // namespace fuzz
