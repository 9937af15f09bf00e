#include "update/http_fetch.h"
#include "update/self_update.h"
#include "update/update.h"
#include "update_test_util.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

using namespace testing_support;
using update_test::Md5Of;
using update_test::Publish;
using update_test::PublishPackage;
using update_test::RequestsFor;

namespace {

const int kBuiltIn = 2;

// Runs the update of a fresh launcher directory against base "<name>/" on the
// test server.
struct FlowRun {
    TempDir dir;
    std::string base;
    size_t earlier; // requests of an earlier run of the same test
    explicit FlowRun(const std::string& name)
        : base(name + "/"), earlier(RequestsFor("/" + base).size()) {}
    bool Update(bool selfUpdate = true) {
        return RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(),
                         update_test::ServerUrl(base).c_str(), kBuiltIn, selfUpdate);
    }
    bool Run(const std::string& manifest) {
        Publish(base + "update.json", manifest);
        return Update();
    }
    // Package requests of this run (HEADs), as "<version>/<package>".
    std::vector<std::string> Fetched() {
        std::vector<std::string> out;
        std::vector<update_test::Request> log = RequestsFor("/" + base);
        for (size_t i = earlier; i < log.size(); ++i) {
            const update_test::Request& r = log[i];
            std::string t = r.target.substr(r.target.find(base) + base.size());
            t = t.substr(0, t.find('?'));
            // Retried requests of one package count once.
            if (r.verb == "HEAD" && t != "update.json" && (out.empty() || out.back() != t))
                out.push_back(t);
        }
        return out;
    }
};

} // namespace

TEST(UpdateFlow, DecisionTableAndVersionRules) {
    const std::string current = "current text";
    const std::string digest = Md5Of(current);
    std::string upper = digest;
    for (char& ch : upper)
        ch = static_cast<char>(toupper(ch));
    struct {
        const char* name;
        bool exists;
        std::string listed;
        std::string version; // JSON text of "version", empty for none
        std::string fetched;
    } cases[] = {
        {"missing_older", false, digest, "1", "1/a.7z"},
        {"same_upper_newer", true, upper, "3", ""},
        {"differs_newer", true, Md5Of("other"), "3", "3/a.7z"},
        {"differs_equal", true, Md5Of("other"), "2", ""},
        {"differs_no_version", true, Md5Of("other"), "", ""},
        {"missing_no_version", false, digest, "", "0/a.7z"},
        {"missing_fraction_version", false, digest, "2.5", "0/a.7z"},
        {"differs_text_version", true, Md5Of("other"), "\"9\"", ""},
        {"differs_wide_version", true, Md5Of("other"), "4294967299", "3/a.7z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlowRun run(c.name);
        if (c.exists) {
            ASSERT_TRUE(WriteFileBytes(run.dir / L"a.txt", current));
        }
        std::string manifest = "{";
        if (!c.version.empty()) manifest += "\"version\": " + c.version + ", ";
        manifest += "\"files\": {\"a.txt\": \"" + c.listed + "\"}}";
        if (!c.fetched.empty()) PublishPackage("plain", run.base + c.fetched);
        EXPECT_FALSE(run.Run(manifest));
        std::vector<std::string> fetched = run.Fetched();
        if (c.fetched.empty()) {
            EXPECT_TRUE(fetched.empty());
            std::string now;
            ReadFileBytes(run.dir / L"a.txt", now);
            EXPECT_EQ(now, c.exists ? current : "");
        } else {
            ASSERT_EQ(fetched.size(), 1u);
            EXPECT_EQ(fetched[0], c.fetched);
            std::string now;
            ReadFileBytes(run.dir / L"deep\\x\\y\\c.txt", now);
            EXPECT_EQ(now, "gamma");
        }
    }
}

TEST(UpdateFlow, PackageNamesMembersInOrderAndSkippedMembers) {
    FlowRun run("names");
    std::string longName(300, 'n');
    EXPECT_FALSE(run.Run("{\"version\": 5, \"files\": {\"readme\": \"00\", \"skip\": 7, \"" +
                         longName +
                         ".txt\": \"00\", \"data\\\\a.b.c\": \"00\", "
                         "\"bin\\\\game.dll\": \"00\"}}"));
    std::vector<std::string> fetched = run.Fetched();
    ASSERT_EQ(fetched.size(), 3u);
    EXPECT_EQ(fetched[0], "5/readme.7z");
    EXPECT_EQ(fetched[1], "5/data/a.b.7z");
    EXPECT_EQ(fetched[2], "5/bin/game.7z");
}

TEST(UpdateFlow, ManifestsThatYieldNoWork) {
    const std::string work = "{\"files\": {\"a.txt\": \"00\"}";
    const size_t depth = 3 << 19; // 3 MiB of valid text, 60 MB of parser values
    const std::string manifests[] = {
        "{\"version\": 9, \"files\": {}}",
        "{\"version\": 9, \"files\": [\"a.txt\"]}",
        "[1, 2]",
        "not json",
        "\xEF\xBB\xBF" + work + "}",
        work + ", \"pad\": " + std::string(depth, '[') + std::string(depth, ']') + "}",
        std::string(50 << 20, '['), // over the size of any manifest: not even downloaded
    };
    int i = 0;
    for (const std::string& manifest : manifests) {
        SCOPED_TRACE(manifest.substr(0, 40));
        FlowRun run("nowork" + std::to_string(i++));
        EXPECT_FALSE(run.Run(manifest));
        EXPECT_TRUE(run.Fetched().empty());
        EXPECT_FALSE(FileExists(run.dir / L"a.txt"));
        size_t gets = 0;
        for (const update_test::Request& r : RequestsFor("/" + run.base + "update.json"))
            gets += r.verb == "GET";
        EXPECT_EQ(gets, manifest.size() > kManifestMaxBytes ? 0u : 1u);
    }
}

TEST(UpdateFlow, UpdateFolderIsClearedFirstAndMissingManifestChangesNothingElse) {
    FlowRun run("nomanifest");
    ASSERT_TRUE(CreateDirectoryW((run.dir / L"update").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((run.dir / L"update\\old").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(run.dir / L"update\\old\\Lumora2.exe", "old"));
    ASSERT_TRUE(WriteFileBytes(run.dir / L"keep.txt", "keep"));
    EXPECT_FALSE(run.Update()); // no update.json published
    EXPECT_FALSE(FileExists(run.dir / L"update"));
    EXPECT_TRUE(FileExists(run.dir / L"keep.txt"));
}

// "update", or a folder below it, may be a link (a junction): the link goes,
// the files it points at stay.
TEST(UpdateFlow, UpdateFolderDeleteNeverFollowsLinks) {
    for (const wchar_t* link : {L"update", L"update\\inner"}) {
        SCOPED_TRACE(Narrow(link));
        TempDir dir;
        ASSERT_TRUE(CreateDirectoryW((dir / L"target").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(dir / L"target\\keep.txt", "keep"));
        if (wcschr(link, L'\\')) {
            ASSERT_TRUE(CreateDirectoryW((dir / L"update").c_str(), nullptr));
        }
        update_test::UnixLink made(dir / L"target", dir / link, "", dir / link);
        ASSERT_TRUE(made.Made());
        ASSERT_NE(GetFileAttributesW((dir / link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
        DeleteDirectoryTree((dir / L"update").c_str());
        EXPECT_TRUE(FileExists(dir / L"target\\keep.txt"));
    }
}

// A file held open is tried again; a name that Windows refuses is not.
TEST(UpdateFlow, UpdateFolderDeleteRetriesOnlyHeldFiles) {
    for (bool held : {true, false}) {
        TempDir dir;
        std::wstring update = dir / L"update";
        ASSERT_TRUE(CreateDirectoryW(update.c_str(), nullptr));
        // "aux.txt" names a device unless given in the "\\?\" form.
        std::wstring file = held ? update + L"\\a.txt" : L"\\\\?\\" + update + L"\\aux.txt";
        ASSERT_TRUE(WriteFileBytes(file, "x"));
        win::UniqueHandle hold(
            held ? CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                 : INVALID_HANDLE_VALUE);
        update_test::CountedPauses pauses;
        DeleteDirectoryTree(update.c_str());
        EXPECT_EQ(pauses.Count(), held ? 10 : 0);
        hold.Reset();
        DeleteFileW(file.c_str());
    }
}

TEST(UpdateFlow, SelfUpdateThatWritesNothingGoesOn) {
    for (const char* package : {"", "empty", "foreign"}) {
        SCOPED_TRACE(package);
        FlowRun run(std::string("selfnone") + package);
        if (std::string(package) == "empty") PublishPackage(package, run.base + "7/Lumora2.7z");
        if (std::string(package) == "foreign") Publish(run.base + "7/Lumora2.7z", "not 7z");
        EXPECT_FALSE(run.Run("{\"version\": 7, \"files\": {\"Lumora2.exe\": \"00\"}}"));
    }
}

// The launcher member decides about the restart: a changed launcher whose
// package holds the listed bytes ends the other instance and is started from
// "update"; anything else starts nothing, ends nothing and leaves no "update".
TEST(UpdateFlow, SelfUpdateStartsOnlyTheListedLauncherOncePerStart) {
    std::string probe;
    ASSERT_TRUE(ReadFileBytes(update_test::RigPath("src/launcher/Lumora2.exe"), probe));
    const std::string good = Md5Of(probe);
    struct {
        const char* name;
        std::string installed; // the launcher file in place before the run
        std::string files;     // the manifest's members
        bool selfUpdate;
        std::vector<std::string> fetched;
        bool endsOther, restarts;
    } cases[] = {
        {"changed",
         "old",
         "\"Lumora2.exe\": \"" + good + "\", \"a.txt\": \"00\"",
         true,
         {"7/Lumora2.7z", "7/a.7z"},
         true,
         true},
        {"unchanged",
         probe,
         "\"Lumora2.exe\": \"" + good + "\", \"a.txt\": \"00\"",
         true,
         {"7/a.7z"},
         false,
         false},
        {"listed_digest_not_the_package",
         "old",
         "\"Lumora2.exe\": \"" + Md5Of("other") + "\", \"a.txt\": \"00\"",
         true,
         {"7/Lumora2.7z", "7/a.7z"},
         true,
         false},
        {"listed_twice",
         "old",
         "\"LUMORA2.EXE\": \"" + Md5Of("other") + "\", \"Lumora2.exe\": \"" + good + "\"",
         true,
         {"7/LUMORA2.7z"},
         true,
         false},
        {"just_updated",
         "old",
         "\"Lumora2.exe\": \"" + good + "\", \"a.txt\": \"00\"",
         false,
         {"7/a.7z"},
         false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlowRun run(std::string("self_") + c.name);
        ASSERT_TRUE(WriteFileBytes(run.dir / L"Lumora2.exe", c.installed));
        PublishPackage("launcher", run.base + "7/Lumora2.7z");
        PublishPackage("plain", run.base + "7/a.7z");
        // A second instance of the launcher, running from another folder.
        TempDir other;
        ASSERT_TRUE(WriteFileBytes(other / L"Lumora2.exe", probe));
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        std::wstring cmd = L"\"" + (other / L"Lumora2.exe") + L"\" wait";
        ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   other.Path().c_str(), &si, &pi));
        for (int i = 0; i < 100 && !FileExists(other / L"marker.txt"); ++i)
            Sleep(50);

        Publish(run.base + "update.json", "{\"version\": 7, \"files\": {" + c.files + "}}");
        EXPECT_EQ(run.Update(c.selfUpdate), c.restarts);
        EXPECT_EQ(run.Fetched(), c.fetched);
        // Members after the launcher are still handled before the restart.
        EXPECT_EQ(FileExists(run.dir / L"a.txt"), c.files.find("a.txt") != std::string::npos);
        const bool ended = WaitForSingleObject(pi.hProcess, c.restarts ? 5000 : 0) == WAIT_OBJECT_0;
        EXPECT_EQ(ended, c.endsOther);
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        std::wstring marker = run.dir / L"update\\marker.txt";
        if (c.restarts) {
            for (int i = 0; i < 100 && !FileExists(marker); ++i)
                Sleep(50);
            std::string line;
            ASSERT_TRUE(ReadFileBytes(marker, line));
            std::wstring text(reinterpret_cast<const wchar_t*>(line.data()), line.size() / 2);
            EXPECT_NE(text.find(L"force"), std::wstring::npos) << Narrow(text);
            Sleep(300); // let the started probe end before its folder goes
        } else {
            EXPECT_FALSE(FileExists(run.dir / L"update"));
        }
    }
}

namespace {

struct WindowSearch {
    const std::wstring* exe;
    HWND found;
    DWORD pid;
};

BOOL CALLBACK FindLauncherWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    win::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!IsWindowVisible(hwnd) || !process ||
        !QueryFullProcessImageNameW(process.Get(), 0, image, &size) ||
        lstrcmpiW(image, search->exe->c_str()) != 0)
        return TRUE;
    search->found = hwnd;
    search->pid = pid;
    return FALSE;
}

} // namespace

// The real launcher, started as a player would, against a release of a new
// launcher: one launcher package download per start whatever the manifest
// says, and the windows come up. When the listed digest is not the package's
// launcher, nothing is started and "update" goes; when it is, the launcher
// put in place does not update itself again, although the manifest lists
// the launcher a second time with another digest.
TEST(SelfUpdateRun, OnePackageDownloadPerStartAndTheWindowComesUp) {
    std::string built;
    ASSERT_TRUE(ReadFileBytes(BinaryPath("Lumora2.exe"), built));
    const std::string old = built + "the launcher of the previous release";
    std::string config;
    ASSERT_TRUE(ReadFileBytes(SourcePath("demo/static.json"), config));
    const std::string from = "http://www.lumora.example/game_statics/lm/";
    ASSERT_NE(config.find(from), std::string::npos);
    for (bool listed : {false, true}) {
        SCOPED_TRACE(listed ? "package holds the listed launcher" : "listed digest differs");
        FlowRun run(listed ? "run_listed" : "run_unlisted");
        std::string manifest = "{\"version\": 7, \"files\": {\"Lumora2.exe\": \"" +
                               (listed ? Md5Of(built) : Md5Of("other")) + "\"";
        // The same file and package under another name.
        if (listed) manifest += ", \".\\\\Lumora2.exe\": \"" + Md5Of("other") + "\"";
        Publish(run.base + "update.json", manifest + "}}");
        Publish(run.base + "7/Lumora2.7z", update_test::StoredArchive(built, L"Lumora2.exe"));
        std::wstring exe = run.dir / L"Lumora2.exe";
        ASSERT_TRUE(WriteFileBytes(exe, old));
        CopyTree(SourcePath("demo/skin"), run.dir / L"skin");
        std::string json = config;
        json.replace(json.find(from), from.size(), Narrow(update_test::ServerUrl(run.base)));
        ASSERT_TRUE(WriteFileBytes(run.dir / L"static.json", json));

        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   run.dir.Path().c_str(), &si, &pi));
        CloseHandle(pi.hThread);
        win::UniqueHandle first(pi.hProcess);
        WindowSearch search = {&exe, nullptr, 0};
        for (int i = 0; i < 600 && !search.found; ++i) {
            Sleep(100);
            EnumWindows(FindLauncherWindow, reinterpret_cast<LPARAM>(&search));
        }
        ASSERT_NE(search.found, nullptr) << "no launcher window came up";
        win::UniqueHandle shown(OpenProcess(SYNCHRONIZE, FALSE, search.pid));
        EXPECT_EQ(search.pid == pi.dwProcessId, !listed); // a self-update ends the first run
        PostMessageW(search.found, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(shown.Get(), 30000), WAIT_OBJECT_0);

        int manifests = 0, packages = 0;
        std::vector<update_test::Request> log = RequestsFor("/" + run.base);
        for (size_t i = run.earlier; i < log.size(); ++i)
            if (log[i].verb == "GET")
                ++(log[i].target.find("update.json") != std::string::npos ? manifests : packages);
        EXPECT_EQ(packages, 1);
        EXPECT_EQ(manifests, listed ? 2 : 1);
        EXPECT_FALSE(FileExists(run.dir / L"update"));
        std::string now;
        ASSERT_TRUE(ReadFileBytes(exe, now));
        EXPECT_TRUE(now == (listed ? built : old));
    }
}

TEST(SelfUpdate, InstalledLauncherPath) {
    struct {
        const wchar_t* exe;
        const wchar_t* installed; // empty: not a self-update layout
    } cases[] = {
        {L"C:\\games\\lumora\\update\\Lumora2.exe", L"C:\\games\\lumora\\Lumora2.exe"},
        {L"C:\\games\\UPDATE\\Lumora2.exe", L"C:\\games\\Lumora2.exe"},
        {L"C:\\games\\lumora\\Lumora2.exe", L""},
        {L"C:\\games\\updates\\Lumora2.exe", L""},
        {L"C:\\update\\Lumora2.exe", L"C:\\Lumora2.exe"},
        {L"Lumora2.exe", L""},
    };
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = L"x";
        EXPECT_EQ(InstalledLauncherPath(c.exe, out, MAX_PATH), c.installed[0] != 0)
            << Narrow(c.exe);
        EXPECT_STREQ(out, c.installed) << Narrow(c.exe);
    }
}
