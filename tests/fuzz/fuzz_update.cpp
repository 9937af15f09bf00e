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
std::wstring g_updateUrl, g_launcherPath;

bool Setup() {
    std::string port;
    if (!ReadFileBytes(ServerDir() + L"\\port", port) || port.empty()) return false;
    std::wstring name = L"fuzz-" + std::to_wstring(GetCurrentProcessId());
    g_www.path = ServerDir() + L"\\www\\" + name;
    CopyTree(BinaryPath("tests/fuzz/corpus/manifest/www"), g_www.path);
    for (const auto& f : Tree(g_www.path)) {
        std::set<std::string> entries = EntryContents(f.second);
        g_served.insert(entries.begin(), entries.end());
    }
    std::wstring base = L"http://127.0.0.1:" + Widen(port) + L"/" + name + L"/";
    g_updateUrl = base;
    // A launcher name that no served package holds: a fetched launcher
    // member must not end in a start.
    g_launcherPath = g_sandbox.Root() + L"\\fuzz-launcher.exe";
    DWORD length = 0; // the server answers: a dead one would pass every case
    return !g_served.empty() && HttpFetch((base + L"3/a.7z").c_str(), &length);
}

bool Run(const std::string& input, std::string& why) {
    g_sandbox.Reset({{L"a.txt", "good a"}, {L"sub\\b.txt", "good b"}, {L"keep.bin", "good keep"}});
    WriteFileBytes(g_www.path + L"\\update.json", input);
    bool bom = input.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::map<std::wstring, std::string> before = Tree(g_sandbox.Root());
    if (RunUpdate(g_sandbox.Root().c_str(), g_launcherPath.c_str(), g_updateUrl.c_str(), 2))
        return why = "started a launcher that no package holds", false;
    if (bom && Tree(g_sandbox.Root()) != before)
        return why = "a manifest with a byte-order mark was used", false;
    return g_sandbox.Check(g_served, why);
}

} // namespace

// clang-format off
const Driver kManifest = {"manifest", {"\"version\":", "\"files\":", "\"a.txt\":", "\"sub\\\\b.txt\":",
    "\"evil.txt\":", "\"fuzz-launcher.exe\":", "\"readme\":", "\"..\\\\",
    "\"00000000000000000000000000000000\"", "\\u0000", "{}", "[]", "null", "\xEF\xBB\xBF"}, Setup, Run};
// clang-format on

} // namespace fuzz
