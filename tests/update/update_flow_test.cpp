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
#include <map>
#include <sstream>

using namespace testing_support;

static std::string Entry(const char* name, const std::string& digest) {
    return "\"" + std::string(name) + "\": \"" + digest + "\"";
}

// Each row updates a fresh launcher directory from its manifest (none
// published when empty) while another launcher runs from another folder.
// Flags: e - a.txt holds "current text" before; n - the installed launcher
// is the new one; j - it was just put in place; c - cancelled before the
// manifest came; k - the other launcher is ended; r - the new one is started
// from "update", which stays (it is otherwise cleared first). "?" marks a
// target asked for with HEAD only.
TEST(UpdateFlow, DecisionsPackageNamesAndManifestsThatYieldNoWork) {
    const std::string current = "current text", digest = Md5Of(current), other = Md5Of("other");
    std::string upper = digest, probe;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    ASSERT_TRUE(ReadFileBytes(RigPath("src/launcher/Lumora2.exe"), probe));
    auto manifest = [](const std::string& version, const std::string& files) {
        return "{" + (version.empty() ? "" : "\"version\": " + version + ", ") + "\"files\": {" +
               files + "}}";
    };
    auto aTxt = [&](const std::string& version, const std::string& listed) {
        return manifest(version, Entry("a.txt", listed));
    };
    const std::string names =
        manifest("5", "\"readme\": \"00\", \"skip\": 7, \"" + std::string(300, 'n') +
                          ".txt\": \"00\", \"data\\\\a.b.c\": \"00\", "
                          "\"bin\\\\game.dll\": \"00\", \"a\\\\.\\\\b.txt\": \"00\"");
    const std::string work = "{\"files\": {\"a.txt\": \"00\"}";
    const size_t depth = 3 << 19; // 3 MiB of valid text, 60 MB of parser values
    const std::string good = Entry("Lumora2.exe", Md5Of(probe)), a = ", " + Entry("a.txt", "00");
    const std::string self = manifest("7", good + a), both = "7/Lumora2.7z 7/a.7z update.json";
    // clang-format off
    struct { const char *name, *flags; std::string manifest, fetched; } rows[] = {
        {"missing_older", "", aTxt("1", digest), "1/a.7z update.json"},
        {"same_upper_newer", "e", aTxt("3", upper), "update.json"},
        {"differs_newer", "e", aTxt("3", other), "3/a.7z update.json"},
        {"differs_equal", "e", aTxt("2", other), "update.json"},
        {"differs_no_version", "e", aTxt("", other), "update.json"},
        {"missing_no_version", "", aTxt("", digest), "0/a.7z update.json"},
        {"missing_fraction_version", "", aTxt("2.5", digest), "0/a.7z update.json"},
        {"differs_text_version", "e", aTxt("\"9\"", other), "update.json"},
        {"differs_wide_version", "e", aTxt("4294967299", other), "3/a.7z update.json"},
        {"names", "", names, "5/a/b.7z 5/bin/game.7z 5/data/a.b.7z 5/readme.7z update.json"},
        {"nowork_no_files", "", "{\"version\": 9, \"files\": {}}", "update.json"},
        {"nowork_files_array", "", "{\"version\": 9, \"files\": [\"a.txt\"]}", "update.json"},
        {"nowork_array", "", "[1, 2]", "update.json"},
        {"nowork_text", "", "not json", "update.json"},
        {"nowork_bom", "", "\xEF\xBB\xBF" + work + "}", "update.json"},
        {"no_manifest", "e", "", "update.json?"},
        {"nowork_deep", "", work + ", \"pad\": " + std::string(depth, '[') +
         std::string(depth, ']') + "}", "update.json"},
        {"nowork_oversize", "", std::string(50 << 20, '['), "update.json?"},
        {"self_changed", "kr", self, both}, {"self_unchanged", "n", self, "7/a.7z update.json"},
        {"self_wrong_digest", "k", manifest("7", Entry("Lumora2.exe", other) + a), both},
        {"self_listed_twice", "k", manifest("7", Entry("LUMORA2.EXE", other) + ", " + good),
         "7/LUMORA2.7z? update.json"},
        {"self_just_updated", "j", self, "7/a.7z update.json"},
        {"self_cancelled", "c", self, "update.json"}};
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto has = [&](char flag) { return strchr(r.flags, flag) != nullptr; };
        const std::string base = std::string(r.name) + "/";
        const size_t earlier = RequestsFor("/" + base).size(); // of an earlier run
        TempDir dir;
        ASSERT_TRUE(CreateDirectoryW((dir / L"update").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((dir / L"update\\old").c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(dir / L"update\\old\\Lumora2.exe", "old"));
        ASSERT_TRUE(!has('e') || WriteFileBytes(dir / L"a.txt", current));
        ASSERT_TRUE(WriteFileBytes(dir / L"Lumora2.exe", has('n') ? probe : "old"));
        bool plain = false; // a package of a.txt, sub\b.txt and deep\x\y\c.txt
        std::istringstream packages(r.fetched);
        for (std::string p; packages >> p;) {
            if (p.back() == 'z')
                PublishPackage(p == "7/Lumora2.7z" ? "launcher" : "plain", base + p);
            plain |= p.back() == 'z' && p != "7/Lumora2.7z";
        }
        if (!r.manifest.empty()) Publish(base + "update.json", r.manifest);
        TempDir other;
        ASSERT_TRUE(WriteFileBytes(other / L"Lumora2.exe", probe));
        win::UniqueHandle process = StartProgram(other / L"Lumora2.exe", L"wait", other.Path());
        ASSERT_TRUE(process);
        for (int i = 0; i < 100 && !FileExists(other / L"marker.txt"); ++i)
            Sleep(50);

        UpdateProgress progress;
        progress.cancel = has('c');
        EXPECT_EQ(RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(),
                            ServerUrl(base).c_str(), 2, !has('j'), nullptr, &progress),
                  has('r'));
        std::map<std::string, bool> got; // target: a GET came
        std::vector<Request> log = RequestsFor("/" + base);
        for (size_t i = earlier; i < log.size(); ++i) {
            std::string t = log[i].target.substr(log[i].target.find(base) + base.size());
            got[t.substr(0, t.find('?'))] |= log[i].verb == "GET";
        }
        std::string fetched;
        for (const auto& t : got)
            fetched += (fetched.empty() ? "" : " ") + t.first + (t.second ? "" : "?");
        EXPECT_EQ(fetched, r.fetched);
        const std::string text = plain ? "gamma" : has('e') ? current : "<missing>";
        EXPECT_EQ(FileText(dir / (plain ? L"deep\\x\\y\\c.txt" : L"a.txt")), text);
        EXPECT_EQ(WaitForSingleObject(process.Get(), has('r') ? 5000 : 0) == WAIT_OBJECT_0,
                  has('k'));
        TerminateProcess(process.Get(), 0);
        WaitForSingleObject(process.Get(), 5000);
        std::wstring marker = dir / L"update\\marker.txt";
        for (int i = 0; has('r') && i < 100 && !FileExists(marker); ++i)
            Sleep(50);
        // The probe's command line, in UTF-16.
        EXPECT_EQ(FileText(marker).find(std::string("f\0o\0r\0c\0e\0", 10)) != std::string::npos,
                  has('r'));
        if (has('r')) Sleep(300); // let the started probe end before its folder goes
        EXPECT_EQ(FileExists(dir / L"update"), has('r'));
    }
}

// "update", or a folder below it, may be a junction: the link goes, its files stay.
// A file held open is tried again; a name that Windows refuses is not.
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

// Six packages that all write x.txt, the first one slow: the others are fetched while it
// waits, yet x.txt ends as the last one's, and the fifth starts after the first is in place.
TEST(UpdateOverlap, ReplacementKeepsManifestOrder) {
    const std::string base = "overlap/";
    std::string files;
    for (int i = 0; i < 6; ++i) {
        const std::string n = std::to_string(i);
        Publish(base + "1/m" + n + ".7z", StoredArchive("package " + n, L"x.txt"));
        files += (i ? ", " : "") + Entry(("m" + n + ".txt").c_str(), "00");
    }
    Publish(base + "1/m0.7z.mode", "delay800");
    Publish(base + "update.json", "{\"version\": 1, \"files\": {" + files + "}}");
    TempDir dir;
    EXPECT_FALSE(
        RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(), ServerUrl(base).c_str(), 2));
    EXPECT_EQ(FileText(dir / L"x.txt"), "package 5");
    std::string log; // "HEAD m0,GET m0,..." in the order they came
    for (const Request& r : RequestsFor("/" + base + "1/"))
        log += r.verb + " " + r.target.substr(r.target.find("/1/") + 3, 2) + ",";
    EXPECT_EQ(std::count(log.begin(), log.end(), ','), 12);
    EXPECT_LT(log.find("GET m1"), log.find("GET m0"));  // fetched side by side
    EXPECT_GT(log.find("HEAD m4"), log.find("GET m0")); // no fifth before the first is done
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
    // Paths far past MAX_PATH make a name of one size, and their ends still count.
    const std::wstring longer = L"\\\\?\\C:\\" + std::wstring(32000, L'a');
    EXPECT_EQ(name(longer).size(), base.size());
    EXPECT_NE(name(longer), name(longer + L"b"));
    EXPECT_EQ(name(L"C:\\a", 8) + name(L"") + name(L"\\\\"), L"!!!");
}

// Any spelling of a folder takes the lock its plain spelling names; that a
// second holder waits is caught by two real updates on one folder.
TEST(UpdateLock, AnySpellingOfAFolderTakesItsOneLock) {
    TempDir dir;
    std::wstring other = dir.Path() + L"\\.\\";
    CharUpperW(&other[0]);
    UpdateLock lock(other.c_str());
    wchar_t name[64] = {};
    ASSERT_TRUE(lock.Held() && UpdateLockName(dir.Path().c_str(), name, 64));
    EXPECT_TRUE(win::UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, name)));
}
