#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/file_ops.h"
#include "update/http_fetch.h"
#include "update/self_update.h"
#include "update/update.h"
#include "update/update_lock.h"
#include "update/update_progress.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <sstream>

using namespace testing_support;

namespace {

// Runs the update of a fresh launcher directory against base "<name>/" on the
// test server.
struct FlowRun {
    TempDir dir;
    std::string base;
    size_t earlier; // requests of an earlier run of the same test
    explicit FlowRun(const std::string& name)
        : base(name + "/"), earlier(RequestsFor("/" + base).size()) {}
    bool Update(bool selfUpdate = true, bool cancelled = false) {
        UpdateProgress progress;
        progress.cancel = cancelled;
        return RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(),
                         ServerUrl(base).c_str(), 2, selfUpdate, nullptr, &progress);
    }
    // This run's targets below base, without the query, sorted; "?" marks one
    // asked for with HEAD only.
    std::string Fetched() {
        std::map<std::string, bool> got; // target: a GET came
        std::vector<Request> log = RequestsFor("/" + base);
        for (size_t i = earlier; i < log.size(); ++i) {
            std::string t = log[i].target.substr(log[i].target.find(base) + base.size());
            got[t.substr(0, t.find('?'))] |= log[i].verb == "GET";
        }
        std::string out;
        for (const auto& t : got)
            out += (out.empty() ? "" : " ") + t.first + (t.second ? "" : "?");
        return out;
    }
};

std::string Entry(const char* name, const std::string& digest) {
    return "\"" + std::string(name) + "\": \"" + digest + "\"";
}

} // namespace

// Each row updates a fresh launcher directory, where a.txt holds "current
// text" when asked, from its manifest (none published when empty); "update"
// is cleared first whatever the manifest says. A package is named by the
// member's path with its extension replaced by ".7z", below the manifest's
// version (0 when that is no integer); a member that is no text or too long
// for a path is skipped. A manifest that is no object, starts with a
// byte-order mark or nests too deep yields no work; one over the size of any
// manifest is not even downloaded.
TEST(UpdateFlow, DecisionsPackageNamesAndManifestsThatYieldNoWork) {
    const std::string current = "current text", digest = Md5Of(current), other = Md5Of("other");
    std::string upper = digest;
    for (char& ch : upper)
        ch = static_cast<char>(toupper(ch));
    auto aTxt = [](const std::string& version, const std::string& listed) {
        return "{" + (version.empty() ? "" : "\"version\": " + version + ", ") + "\"files\": {" +
               Entry("a.txt", listed) + "}}";
    };
    const std::string names = "{\"version\": 5, \"files\": {\"readme\": \"00\", \"skip\": 7, \"" +
                              std::string(300, 'n') +
                              ".txt\": \"00\", \"data\\\\a.b.c\": \"00\", " +
                              "\"bin\\\\game.dll\": \"00\", \"a\\\\.\\\\b.txt\": \"00\"}}";
    const std::string work = "{\"files\": {\"a.txt\": \"00\"}";
    const size_t depth = 3 << 19; // 3 MiB of valid text, 60 MB of parser values
    // clang-format off
    struct {
        const char* name;
        bool exists;
        std::string manifest, fetched; // the packages fetched, sorted
    } rows[] = {
        {"missing_older", false, aTxt("1", digest), "1/a.7z"},
        {"same_upper_newer", true, aTxt("3", upper), ""},
        {"differs_newer", true, aTxt("3", other), "3/a.7z"},
        {"differs_equal", true, aTxt("2", other), ""},
        {"differs_no_version", true, aTxt("", other), ""},
        {"missing_no_version", false, aTxt("", digest), "0/a.7z"},
        {"missing_fraction_version", false, aTxt("2.5", digest), "0/a.7z"},
        {"differs_text_version", true, aTxt("\"9\"", other), ""},
        {"differs_wide_version", true, aTxt("4294967299", other), "3/a.7z"},
        {"names", false, names, "5/a/b.7z 5/bin/game.7z 5/data/a.b.7z 5/readme.7z"},
        {"nowork_no_files", false, "{\"version\": 9, \"files\": {}}", ""},
        {"nowork_files_array", false, "{\"version\": 9, \"files\": [\"a.txt\"]}", ""},
        {"nowork_array", false, "[1, 2]", ""}, {"nowork_text", false, "not json", ""},
        {"nowork_bom", false, "\xEF\xBB\xBF" + work + "}", ""}, {"no_manifest", true, "", ""},
        {"nowork_deep", false,
         work + ", \"pad\": " + std::string(depth, '[') + std::string(depth, ']') + "}", ""},
        {"nowork_oversize", false, std::string(50 << 20, '['), ""}};
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FlowRun run(r.name);
        ASSERT_TRUE(CreateDirectoryW((run.dir / L"update").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((run.dir / L"update\\old").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(run.dir / L"update\\old\\Lumora2.exe", "old"));
        ASSERT_TRUE(!r.exists || WriteFileBytes(run.dir / L"a.txt", current));
        std::istringstream packages(r.fetched);
        for (std::string p; packages >> p;)
            PublishPackage("plain", run.base + p);
        if (!r.manifest.empty()) Publish(run.base + "update.json", r.manifest);
        EXPECT_FALSE(run.Update());
        const bool manifest = !r.manifest.empty() && r.manifest.size() <= kManifestMaxBytes;
        EXPECT_EQ(run.Fetched(), r.fetched + (r.fetched.empty() ? "" : " ") +
                                     (manifest ? "update.json" : "update.json?"));
        const bool kept = r.fetched.empty();
        EXPECT_EQ(FileText(run.dir / (kept ? L"a.txt" : L"deep\\x\\y\\c.txt")),
                  kept ? (r.exists ? current : "<missing>") : "gamma");
        EXPECT_FALSE(FileExists(run.dir / L"update"));
    }
}

// "update", or a folder below it, may be a link (a junction): the link goes,
// the files it points at stay. A file held open is tried again; a name that
// Windows refuses is not.
TEST(UpdateFlow, UpdateFolderDeleteNeverFollowsLinksAndRetriesOnlyHeldFiles) {
    for (bool linked : {true, false}) {
        TempDir dir;
        const std::wstring update = dir / L"update", link = linked ? update : update + L"\\inner";
        ASSERT_TRUE(CreateDirectoryW((dir / L"target").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(dir / L"target\\keep.txt", "keep"));
        ASSERT_TRUE(linked || CreateDirectoryW(update.c_str(), nullptr));
        UnixLink made(dir / L"target", link, "", link);
        ASSERT_TRUE(made.Made());
        ASSERT_NE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
        // "aux.txt" names a device unless given in the "\\?\" form.
        const std::wstring held = update + L"\\a.txt", aux = L"\\\\?\\" + update + L"\\aux.txt";
        ASSERT_TRUE(linked || (WriteFileBytes(held, "x") && WriteFileBytes(aux, "x")));
        win::UniqueHandle hold(linked ? INVALID_HANDLE_VALUE
                                      : CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
        CountedPauses pauses;
        DeleteDirectoryTree(update.c_str());
        EXPECT_TRUE(FileExists(dir / L"target\\keep.txt"));
        EXPECT_EQ(pauses.Count(), linked ? 0 : 10);
        hold.Reset();
        DeleteFileW(aux.c_str());
    }
}

// The launcher member decides about the restart: a changed launcher whose
// package holds the listed bytes ends the other instance and is started from
// "update"; anything else starts nothing, ends nothing and leaves no "update",
// and an update cancelled before its manifest came does nothing at all.
TEST(UpdateFlow, SelfUpdateStartsOnlyTheListedLauncherOncePerStart) {
    std::string probe;
    ASSERT_TRUE(ReadFileBytes(RigPath("src/launcher/Lumora2.exe"), probe));
    const std::string good = Entry("Lumora2.exe", Md5Of(probe)), a = ", " + Entry("a.txt", "00");
    const std::string bad = Entry("Lumora2.exe", Md5Of("other"));
    const std::string twice = Entry("LUMORA2.EXE", Md5Of("other")) + ", " + good;
    struct {
        const char* name;
        bool installedIsNew, selfUpdate;
        std::string files, fetched; // the manifest's members, the packages fetched
        bool endsOther, restarts, cancelled = false;
    } cases[] = {
        {"changed", false, true, good + a, "7/Lumora2.7z 7/a.7z", true, true},
        {"unchanged", true, true, good + a, "7/a.7z", false, false},
        {"listed_digest_not_the_package", false, true, bad + a, "7/Lumora2.7z 7/a.7z", true, false},
        {"listed_twice", false, true, twice, "7/LUMORA2.7z?", true, false},
        {"just_updated", false, false, good + a, "7/a.7z", false, false},
        {"cancelled", false, true, good + a, "", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlowRun run(std::string("self_") + c.name);
        ASSERT_TRUE(WriteFileBytes(run.dir / L"Lumora2.exe", c.installedIsNew ? probe : "old"));
        PublishPackage("launcher", run.base + "7/Lumora2.7z");
        PublishPackage("plain", run.base + "7/a.7z");
        // A second instance of the launcher, running from another folder.
        TempDir other;
        ASSERT_TRUE(WriteFileBytes(other / L"Lumora2.exe", probe));
        win::UniqueHandle process = StartProgram(other / L"Lumora2.exe", L"wait", other.Path());
        ASSERT_TRUE(process);
        for (int i = 0; i < 100 && !FileExists(other / L"marker.txt"); ++i)
            Sleep(50);

        Publish(run.base + "update.json", "{\"version\": 7, \"files\": {" + c.files + "}}");
        EXPECT_EQ(run.Update(c.selfUpdate, c.cancelled), c.restarts);
        EXPECT_EQ(run.Fetched(), c.fetched + (c.fetched.empty() ? "" : " ") + "update.json");
        // Members after the launcher are still handled before the restart.
        EXPECT_EQ(FileExists(run.dir / L"a.txt"),
                  !c.cancelled && c.files.find("a.txt") != std::string::npos);
        EXPECT_EQ(WaitForSingleObject(process.Get(), c.restarts ? 5000 : 0) == WAIT_OBJECT_0,
                  c.endsOther);
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 5000);
        std::wstring marker = run.dir / L"update\\marker.txt";
        for (int i = 0; c.restarts && i < 100 && !FileExists(marker); ++i)
            Sleep(50);
        // The probe's command line, in UTF-16.
        EXPECT_EQ(FileText(marker).find(std::string("f\0o\0r\0c\0e\0", 10)) != std::string::npos,
                  c.restarts);
        if (c.restarts) Sleep(300); // let the started probe end before its folder goes
        EXPECT_EQ(FileExists(run.dir / L"update"), c.restarts);
    }
}

// Six packages that all write x.txt, the first one slow: the others are
// fetched while it waits, yet x.txt ends as the last member's, and the fifth
// package starts only once the first is in place (four at most in memory).
TEST(UpdateOverlap, ReplacementKeepsManifestOrder) {
    FlowRun run("overlap");
    std::string files;
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i);
        Publish(run.base + "1/m" + n + ".7z", StoredArchive("package " + n, L"x.txt"));
        files += (i ? ", " : "") + Entry(("m" + n + ".txt").c_str(), "00");
    }
    Publish(run.base + "1/m0.7z.mode", "delay800");
    Publish(run.base + "update.json", "{\"version\": 1, \"files\": {" + files + "}}");
    EXPECT_FALSE(run.Update());
    EXPECT_EQ(FileText(run.dir / L"x.txt"), "package 5");
    std::vector<std::string> log;
    for (const Request& r : RequestsFor("/" + run.base + "1/"))
        log.push_back(r.verb + " " + r.target.substr(r.target.find("/1/") + 3, 2));
    auto at = [&](const std::string& what) {
        return std::find(log.begin(), log.end(), what) - log.begin();
    };
    ASSERT_EQ(log.size(), 12u);
    EXPECT_LT(at("GET m1"), at("GET m0"));  // fetched side by side
    EXPECT_GT(at("HEAD m4"), at("GET m0")); // no fifth before the first is done
}

TEST(SelfUpdate, InstalledLauncherPath) {
    // clang-format off
    const wchar_t* const cases[][2] = { // launcher, installed (empty: not a self-update layout)
        {L"C:\\games\\lumora\\update\\Lumora2.exe", L"C:\\games\\lumora\\Lumora2.exe"},
        {L"C:\\games\\UPDATE\\Lumora2.exe", L"C:\\games\\Lumora2.exe"},
        {L"C:\\update\\Lumora2.exe", L"C:\\Lumora2.exe"}, {L"C:\\games\\lumora\\Lumora2.exe", L""},
        {L"C:\\games\\updates\\Lumora2.exe", L""}, {L"Lumora2.exe", L""}};
    // clang-format on
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = L"x";
        EXPECT_EQ(InstalledLauncherPath(c[0], out, MAX_PATH), c[1][0] != 0) << Narrow(c[0]);
        EXPECT_STREQ(out, c[1]) << Narrow(c[0]);
    }
}

// A failed name is "!" followed by what was left in the output.
TEST(UpdateLock, NameFoldsSpellingsOfOneFolderOnly) {
    auto name = [](const std::wstring& path, size_t cap = 64) {
        wchar_t out[64] = L"x";
        return UpdateLockName(path.c_str(), out, cap) ? std::wstring(out)
                                                      : L"!" + std::wstring(out);
    };
    const std::wstring base = name(L"C:\\Games\\Lumora");
    EXPECT_EQ(base.rfind(L"Local\\", 0), 0u);
    EXPECT_EQ(base.find(L'\\', 6), std::wstring::npos);
    for (const wchar_t* same : {L"c:\\games\\LUMORA", L"C:\\Games\\Lumora\\", L"C:/Games/Lumora//"})
        EXPECT_EQ(name(same), base) << Narrow(same);
    for (const wchar_t* other : {L"C:\\Games\\Lumora2", L"C:\\Games\\Lumor", L"D:\\Games\\Lumora"})
        EXPECT_NE(name(other), base) << Narrow(other);
    // Paths far past MAX_PATH still make a name of the same size; the
    // difference at their end still counts.
    const std::wstring longer = L"\\\\?\\C:\\" + std::wstring(32000, L'a');
    EXPECT_EQ(name(longer).size(), base.size());
    EXPECT_NE(name(longer), name(longer + L"b"));
    EXPECT_EQ(name(L"C:\\a", 8) + name(L"") + name(L"\\\\"), L"!!!");
}

// A second holder of the same folder, however spelled, waits for the first.
TEST(UpdateLock, SecondHolderWaitsForTheFirst) {
    TempDir dir;
    auto first = std::make_unique<UpdateLock>(dir.Path().c_str());
    ASSERT_TRUE(first->Held());
    std::wstring other = dir.Path() + L"\\.\\";
    CharUpperW(&other[0]);
    std::future<bool> second =
        std::async(std::launch::async, [&] { return UpdateLock(other.c_str()).Held(); });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
    first.reset();
    ASSERT_EQ(second.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(second.get());
}
