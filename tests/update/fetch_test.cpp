#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/http_fetch.h"

#include <gtest/gtest.h>

#include <wininet.h>
#include <winternl.h>

using namespace testing_support;

const size_t kUnchecked = ~size_t(0);

TEST(HttpFetch, FaultsTable) {
    const std::string body = "0123456789abcdef";
    ASSERT_TRUE(Publish("fetch/body.txt", body));
    ASSERT_TRUE(Publish("fetch/empty.txt", ""));
    // Ten pieces of 64 KiB, 0.25 s apart: longer than a fetch's budget, but
    // never idle for a time-out.
    std::string big(10 << 16, 'b');
    ASSERT_TRUE(Publish("fetch/big.bin", big));
    Override<DWORD> quick(g_httpTimeoutMs, 1000); // time-outs of a second
    // clang-format off
    struct { const char* target; bool ok; std::string expected; size_t heads, gets; } cases[] = {
        {"fetch/body.txt", true, body, 1, 1}, {"m/head404/fetch/body.txt", false, "", 10, 0},
        {"m/head405/fetch/body.txt", false, "", 10, 0},
        {"m/fail500x3/fetch/body.txt", true, body, 4, 1},
        {"m/fail500x10/fetch/body.txt", false, "", 10, 0},
        {"m/fail500x11/fetch/empty.txt", false, "", 10, 0},
        {"m/nolength/fetch/body.txt", false, "", 1, 0},
        {"m/short/fetch/body.txt", true, body, 1, 1},
        {"m/long/fetch/body.txt", true, body.substr(0, body.size() - 3), 1, 1},
        {"m/drop/fetch/body.txt", false, "", kUnchecked, 0}, {"fetch/empty.txt", true, "", 1, 1},
        {"fetch/missing.txt", false, "", 10, 0},
        // A time-out fails the fetch at once, and a trickle within its budget.
        {"m/silent/fetch/body.txt", false, "", 1, 0}, {"m/stall/fetch/body.txt", false, "", 1, 1},
        {"m/trickle/fetch/body.txt", false, "", 1, 1}, {"m/slow/fetch/big.bin", true, big, 1, 1},
        {"m/huge/fetch/body.txt", false, "", 1, 0},
        // Redirects: a few hops and another port are followed, loops are not.
        {"m/hops5/fetch/body.txt", true, body, 1, 1}, {"m/hops6/fetch/body.txt", false, "", 1, 0},
        {"m/self/fetch/body.txt", false, "", 6, 0}, {"m/ping/fetch/body.txt", false, "", 3, 0},
        {"m/elsewhere/fetch/body.txt", true, body, 1, 1},
        {"m/tohttps/fetch/body.txt", false, "", 1, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        size_t before = RequestsFor(std::string("/") + c.target).size();
        DWORD length = 12345;
        std::unique_ptr<char[]> got = HttpFetch(ServerUrl(c.target).c_str(), &length);
        ASSERT_EQ(static_cast<bool>(got), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::string(got.get(), length), c.expected);
            EXPECT_EQ(got[length], '\0');
        } else {
            EXPECT_EQ(length, 12345u);
        }
        std::vector<Request> log = RequestsFor(std::string("/") + c.target);
        size_t heads = 0, gets = 0;
        for (size_t i = before; i < log.size(); ++i)
            (log[i].verb == "HEAD" ? heads : gets)++;
        // A dropped connection may be retried inside WinINet itself.
        EXPECT_TRUE(c.heads == kUnchecked || heads == c.heads) << heads;
        EXPECT_EQ(gets, c.gets);
    }
}

// HEAD and GET carry one time value, a query of their own kept, and the
// agent; a host-only URL asks for the root.
TEST(HttpFetch, HeadAndGetCarryOneTimeValueAndTheAgent) {
    ASSERT_TRUE(Publish("pair/x.txt", "x"));
    ASSERT_TRUE(Publish("pair/q.txt", "q"));
    struct {
        std::string url, needle, targetPrefix;
    } cases[] = {
        {"pair/x.txt", "/pair/x.txt", "/pair/x.txt?t="},
        {"pair/q.txt?a=1", "/pair/q.txt", "/pair/q.txt?a=1&t="},
        {"", "/?t=", "/?t="},
    };
    for (const auto& c : cases) {
        DWORD length = 0;
        HttpFetch(ServerUrl(c.url).c_str(), &length);
        std::vector<Request> log = RequestsFor(c.needle);
        ASSERT_GE(log.size(), 2u) << c.url;
        const Request &head = log[log.size() - 2], &get = log.back();
        // Nothing is served at the root: its HEAD is tried again, and no GET.
        EXPECT_EQ(head.verb + get.verb, c.url.empty() ? "HEADHEAD" : "HEADGET") << c.url;
        EXPECT_EQ(head.target.rfind(c.targetPrefix, 0), 0u) << head.target;
        EXPECT_EQ(head.target, get.target);
        const std::string agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; "
                                  "SV1; .NET CLR 2.0.50727; InfoPath.1)";
        EXPECT_EQ(head.agent + get.agent, agent + agent);
    }
}

TEST(HttpFetch, RefusedWithoutTraffic) {
    std::string port;
    ReadFileBytes(RigPath("port"), port);
    for (const std::wstring& url :
         {std::wstring(), L"https://127.0.0.1:" + Widen(port) + L"/secure.txt",
          std::wstring(L"not a url"), ServerUrl("toolong/" + std::string(2100, 'a'))}) {
        DWORD length = 7;
        EXPECT_FALSE(HttpFetch(url.c_str(), &length));
        EXPECT_EQ(length, 7u);
    }
    EXPECT_TRUE(RequestsFor("/secure.txt").empty());
    EXPECT_TRUE(RequestsFor("/toolong/").empty());
}

TEST(HttpFetch, WritesNothingToTheWebCache) {
    // A name no earlier run has fetched: the prefix's cache outlives the tests.
    std::string stem =
        "uncached" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    ASSERT_TRUE(Publish("nocache/" + stem + ".txt", "not for the cache"));
    DWORD length = 0;
    ASSERT_TRUE(HttpFetch(ServerUrl("nocache/" + stem + ".txt").c_str(), &length));
    // The URL the GET asked for, time value included, is not in the cache.
    std::vector<Request> log = RequestsFor("/nocache/" + stem);
    ASSERT_FALSE(log.empty());
    DWORD size = 0;
    EXPECT_FALSE(
        GetUrlCacheEntryInfoW(ServerUrl(log.back().target.substr(1)).c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

// A claim of 2 GiB within the ceiling costs what arrives, not what is claimed.
TEST(HttpFetch, MemoryFollowsTheBytesReceived) {
    ASSERT_TRUE(Publish("claim/small.txt", "small body"));
    VM_COUNTERS before = {}, after = {};
    NtQueryInformationProcess(GetCurrentProcess(), ProcessVmCounters, &before, sizeof before, 0);
    DWORD length = 0;
    std::unique_ptr<char[]> got =
        HttpFetch(ServerUrl("m/huge/claim/small.txt").c_str(), &length, 0xFFFFFFFFu);
    ASSERT_TRUE(got);
    EXPECT_EQ(std::string(got.get(), length), "small body");
    NtQueryInformationProcess(GetCurrentProcess(), ProcessVmCounters, &after, sizeof after, 0);
    EXPECT_LT(after.PeakVirtualSize - before.PeakVirtualSize, SIZE_T(256) << 20);
}
