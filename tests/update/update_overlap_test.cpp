#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/fetch_queue.h"
#include "update/http_fetch.h"
#include "update/update.h"
#include "update/update_lock.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace testing_support;

TEST(FetchQueue, AtMostFourPackagesUnderWayOrHeld) {
    struct {
        size_t next, count, released;
        int fetches;
        bool starts;
    } rows[] = {
        {0, 0, 0, 4, false}, {0, 1, 0, 4, true},  {3, 9, 0, 4, true},  {4, 9, 0, 4, false},
        {4, 9, 1, 4, true},  {9, 9, 9, 4, false}, {1, 9, 0, 1, false}, {1, 9, 1, 1, true},
        {1, 9, 0, 0, false}, {4, 9, 0, 9, false}, // counts outside 1..4 are brought inside
    };
    for (const auto& r : rows)
        EXPECT_EQ(MayStartPackage(r.next, r.count, r.released, r.fetches), r.starts)
            << r.next << " of " << r.count << ", " << r.released << " released, " << r.fetches;
}

TEST(UpdateLock, NameFoldsSpellingsOfOneFolderOnly) {
    auto name = [](const std::wstring& path) {
        wchar_t out[64] = L"x";
        return UpdateLockName(path.c_str(), out, 64) ? std::wstring(out) : std::wstring();
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
    wchar_t small[8] = L"x";
    EXPECT_FALSE(UpdateLockName(L"C:\\a", small, 8));
    EXPECT_STREQ(small, L"");
    for (const wchar_t* none : {L"", L"\\\\"})
        EXPECT_EQ(name(none), L"") << Narrow(none);
}

// A second holder of the same folder, however spelled, waits for the first.
TEST(UpdateLock, SecondHolderWaitsForTheFirst) {
    TempDir dir;
    auto first = std::make_unique<UpdateLock>(dir.Path().c_str());
    ASSERT_TRUE(first->Held());
    static std::wstring other;
    other = dir.Path() + L"\\.\\";
    CharUpperW(&other[0]);
    win::UniqueHandle second(CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            UpdateLock lock(other.c_str());
            return lock.Held() ? 0 : 1;
        },
        nullptr, 0, nullptr));
    EXPECT_EQ(WaitForSingleObject(second.Get(), 500), static_cast<DWORD>(WAIT_TIMEOUT));
    first.reset();
    ASSERT_EQ(WaitForSingleObject(second.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeThread(second.Get(), &code);
    EXPECT_EQ(code, 0u);
}

// Six packages that all write x.txt, the first one slow: the others are
// fetched while it waits, yet x.txt ends as the last member's, and the fifth
// package starts only once the first is in place (four at most in memory).
TEST(UpdateOverlap, ReplacementKeepsManifestOrder) {
    const std::string base = "overlap/";
    std::string files;
    for (int i = 0; i < 6; ++i) {
        std::string n = std::to_string(i);
        Publish(base + "1/m" + n + ".7z", StoredArchive("package " + n, L"x.txt"));
        files += (i ? ", " : "") + std::string("\"m") + n + ".txt\": \"00\"";
    }
    Publish(base + "1/m0.7z.mode", "delay800");
    Publish(base + "update.json", "{\"version\": 1, \"files\": {" + files + "}}");
    TempDir dir;
    EXPECT_FALSE(
        RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(), ServerUrl(base).c_str(), 2));
    EXPECT_EQ(FileText(dir / L"x.txt"), "package 5");

    std::vector<std::string> log;
    for (const Request& r : RequestsFor("/" + base + "1/"))
        log.push_back(r.verb + " " + r.target.substr(r.target.find("/1/") + 3, 2));
    auto at = [&](const std::string& what) {
        return std::find(log.begin(), log.end(), what) - log.begin();
    };
    ASSERT_EQ(log.size(), 12u);
    EXPECT_LT(at("GET m1"), at("GET m0"));  // fetched side by side
    EXPECT_GT(at("HEAD m4"), at("GET m0")); // no fifth before the first is done
}

// A session keeps its connection for the HEAD and GET of a file and for the
// next file on the same server, and opens another for another server.
TEST(HttpSession, KeepsItsConnectionAcrossRequestsAndFiles) {
    Publish("session/a.txt", "alpha");
    Publish("session/b.txt", "beta");
    HttpSession session;
    DWORD length = 0;
    for (const char* name : {"session/a.txt", "session/b.txt"})
        ASSERT_TRUE(session.Fetch(ServerUrl(name).c_str(), &length)) << name;
    EXPECT_EQ(session.ConnectionsOpened(), 1);
    std::unique_ptr<char[]> moved =
        session.Fetch(ServerUrl("m/elsewhere/session/a.txt").c_str(), &length);
    ASSERT_TRUE(moved);
    EXPECT_EQ(std::string(moved.get(), length), "alpha");
    EXPECT_GT(session.ConnectionsOpened(), 1);
}
