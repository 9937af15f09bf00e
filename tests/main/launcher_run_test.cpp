// The real launcher, started as a player would.
#include "app/launcher.h"
#include "support/launcher_dir.h"
#include "support/test_keys.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace testing_support;

TEST(Launcher, TestWordIsComparedWholeIgnoringCase) {
    for (const wchar_t* word : {L"test", L"TeSt", L"test ", L"test force", L"force", L""})
        EXPECT_EQ(IsTestCommandLine(word), wcslen(word) == 4) << Narrow(word);
}

// With the sample skin and "test": no update (a stale "update" folder stays,
// the update server hears nothing), a window comes up, and closing it ends the
// run with exit code 0. The browser control asks the page server for the
// start page with the launcher's query, "&install=1" on the first run only.
// With a broken "static.json" it ends cleanly, and the first-run step still ran.
TEST(LauncherRun, ShowsTheStartPageWithItsQueryAndEndsWithExitCodeZero) {
    const std::string base = "start_page" + std::to_string(GetCurrentProcessId()) + "/";
    TempDir dir;
    std::wstring exe = MakeLauncherDir(dir.Path(), BinaryPath("Lumora2.exe"),
                                       {{"update_url", Narrow(ServerUrl(base + "update/"))},
                                        {"game_url", Narrow(ServerUrl(base + "lmwd"))}});
    ASSERT_TRUE(CreateDirectoryW((dir / L"update").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir / L"update\\stale.txt", "stale"));
    ASSERT_TRUE(WriteFileBytes(dir / L"channel", "ch7|Demo"));
    for (std::string install : {"&install=1", ""}) {
        const size_t earlier = RequestsFor(base + "lmwd").size();
        LauncherRun run = RunLauncher(exe, L"test", [&] {
            for (int i = 0; i < 600 && RequestsFor(base + "lmwd").size() == earlier; ++i)
                Sleep(50);
        });
        EXPECT_EQ(0u, run.exitCode); // 99 as well when no window came up
        std::vector<Request> page = RequestsFor(base + "lmwd");
        ASSERT_GT(page.size(), earlier);
        EXPECT_EQ(page[earlier].verb + " " + page[earlier].target,
                  "GET /" + base + "lmwd?version=2&machine_code=WINEHDISK&fn=ch7" + install);
    }
    EXPECT_TRUE(FileExists(dir / L"update\\stale.txt"));
    EXPECT_TRUE(RequestsFor(base + "update/").empty());
    ASSERT_TRUE(DeleteFileW((dir / L"first").c_str()));
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", "{\"windows\": [broken"));
    EXPECT_EQ(0, RunProgram(exe, L"test", dir.Path(), 60000));
    EXPECT_TRUE(FileExists(dir / L"first"));
}

// Each row runs a launcher against a release of its own on the test server;
// its window comes after the update, and the run ends with exit code 0.
// A server fault costs a fetch, not the game (one-second time-outs). A new
// launcher costs one package per start: put in place and started only when it
// is the listed one, then not updated again though listed twice; when the
// installed one is held, the old one starts with "test" and "update" stays.
// With an update key, only what the key signed is taken: anything changed on
// the way is refused with nothing written.
TEST(LauncherRun, AgainstAReleaseOnTheTestServer) {
    const char *quick = "tests/main/launcher_quick_net.exe", *plain = "Lumora2.exe",
               *keyed = "tests/update/launcher_signed.exe";
    struct {
        const char *name, *exe;
        // The manifest: a lists a.txt, e the new launcher, o Lumora2.exe and
        // d .\Lumora2.exe with another digest; in capitals, other bytes are packed.
        const char* files;
        const char* signer = "";             // the key file, "junk" for 64 bad bytes
        const char *faulty = "", *mode = ""; // a file of the release served with a fault
        bool takesA = false, takesExe = false;
        int manifestGets = 0; // counted when not 0, with the one package
    } rows[] = {
        {"net_silent_manifest", quick, "a", "", "update.json", "silent"},
        {"net_self_manifest", quick, "a", "", "update.json", "self"},
        {"net_silent_package", quick, "a", "", "9/a.7z", "silent"},
        {"net_stall_package", quick, "a", "", "9/a.7z", "stall"},
        {"net_ping_package", quick, "a", "", "9/a.7z", "ping"},
        {"net_huge_package", quick, "a", "", "9/a.7z", "huge"},
        {"self_unlisted", plain, "o", "", "", "", false, false, 1},
        {"self_listed", plain, "ed", "", "", "", false, true, 2},
        {"self_listed_held", plain, "ed", "", "", "", false, false, 1},
        {"signed", keyed, "ae", "signing", "", "", true, true},
        {"unsigned", keyed, "ae"},
        {"junk", keyed, "a", "junk"},
        {"other_key", keyed, "ae", "other"},
        {"changed", keyed, "ae", "signing"}, // changed after signing
        // Slow enough that a second passes before the signature is asked for.
        {"swapped", keyed, "A", "signing", "update.json", "delay600"},
        {"exe_swapped", keyed, "E", "signing"},
        {"no_key", plain, "a", "", "update.json", "delay1500", true}, // the window comes after
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string base = r.name + std::to_string(GetCurrentProcessId()) + "/";
        const bool held = strstr(r.name, "held"), changed = !strcmp(r.name, "changed");
        const std::string newExe = FileText(BinaryPath(r.exe)) + "the next release";
        const std::map<char, std::pair<std::string, std::string>> listing = {
            {'a', {"a.txt", Md5Of("new")}},
            {'e', {"Lumora2.exe", Md5Of(newExe)}},
            {'o', {"Lumora2.exe", Md5Of("other")}},
            {'d', {".\\\\Lumora2.exe", Md5Of("other")}}};
        std::vector<std::pair<std::string, std::string>> files;
        for (const char* c = r.files; *c; ++c)
            files.push_back(listing.at(static_cast<char>(tolower(*c))));
        Publish(base + "9/a.7z", StoredArchive(strchr(r.files, 'A') ? "evil" : "new", L"a.txt"));
        Publish(base + "9/Lumora2.7z",
                StoredArchive(strchr(r.files, 'E') ? newExe + "x" : newExe, L"Lumora2.exe"));
        const std::string manifest = Manifest(9, files);
        if (*r.signer)
            Publish(base + "update.json.sig",
                    strcmp(r.signer, "junk") ? Sign(r.signer, manifest) : std::string(64, 'j'));
        Publish(base + "update.json", changed ? manifest + " " : manifest);
        if (*r.mode) Publish(base + r.faulty + ".mode", r.mode);
        TempDir dir;
        std::wstring exe = MakeLauncherDir(dir.Path(), BinaryPath(r.exe),
                                           {{"update_url", Narrow(ServerUrl(base))}, kProgressOff});
        const std::string oldExe = FileText(exe) + "old";
        ASSERT_TRUE(WriteFileBytes(exe, oldExe) && WriteFileBytes(dir / L"a.txt", "keep"));
        win::UniqueHandle hold(held ? CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                  nullptr, OPEN_EXISTING, 0, nullptr)
                                    : INVALID_HANDLE_VALUE);
        std::string aShown; // a.txt when the window came: the update was over
        LauncherRun run = RunLauncher(exe, L"", [&] { aShown = FileText(dir / L"a.txt"); });
        hold.Reset();
        EXPECT_EQ(run.windowPid != run.startedPid, r.takesExe || held);
        EXPECT_EQ(run.exitCode, 0u); // 99 as well when no window came up
        EXPECT_EQ(aShown + FileText(dir / L"a.txt"), r.takesA ? "newnew" : "keepkeep");
        EXPECT_TRUE(FileText(exe) == (r.takesExe ? newExe : oldExe));
        EXPECT_EQ(FileExists(dir / L"update"), held);
        EXPECT_FALSE(FileExists(dir / L"update\\first") || FileExists(dir / L"Lumora2.exe.new"));
        ForEachIn(dir.Path(), [](const std::wstring& path, const WIN32_FIND_DATAW&) {
            EXPECT_EQ(path.find(L"\\~lu"), std::wstring::npos) << "a temporary file was left";
        });
        // A manifest that does not verify is not acted on at all.
        const bool refused = strcmp(r.signer, "signing") || changed;
        EXPECT_TRUE(r.exe != keyed || RequestsFor(base + "9/").empty() == refused);
        // The signature goes with the manifest: asked for with the same "t", one a
        // run (a new launcher that was put in place checks once more).
        std::set<std::string> times;
        for (const Request& q : RequestsFor(base + "update.json"))
            times.insert(q.target.substr(q.target.find('?')));
        EXPECT_TRUE(!times.empty() && times.size() <= (r.takesExe ? 2u : 1u)) << times.size();
        if (!r.manifestGets) continue;
        EXPECT_EQ(Gets(base + "update.json"), r.manifestGets);
        EXPECT_EQ(Gets(base + "9/"), 1);
    }
}
