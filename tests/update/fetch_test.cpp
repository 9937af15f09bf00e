#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "update/fetch_queue.h"
#include "update/http_fetch.h"

#include <gtest/gtest.h>

#include <wininet.h>
#include <winternl.h>

using namespace testing_support;

TEST(HttpFetch, FaultsTable) {
    const std::string body = "0123456789abcdef", no = "<no body>";
    // Ten pieces of 64 KiB, 0.25 s apart: longer than a fetch's budget, but
    // never idle for a time-out.
    const std::string big(10 << 16, 'b');
    ASSERT_TRUE(Publish("fetch/body.txt", body) && Publish("fetch/empty.txt", "") &&
                Publish("fetch/big.bin", big));
    Override<DWORD> quick(g_httpTimeoutMs, 1000); // time-outs of a second
    const size_t any = ~size_t(0); // a dropped connection may be retried inside WinINet itself
    VM_COUNTERS vm[2] = {};
    NtQueryInformationProcess(GetCurrentProcess(), ProcessVmCounters, &vm[0], sizeof vm[0], 0);
    // clang-format off
    struct { const char *mode, *file; std::string body; size_t heads, gets; DWORD max = ~0u; }
    cases[] = {
        {"", "body.txt", body, 1, 1}, {"head404", "body.txt", no, 10, 0},
        {"head405", "body.txt", no, 10, 0}, {"fail500x3", "body.txt", body, 4, 1},
        {"fail500x10", "body.txt", no, 10, 0}, {"fail500x11", "empty.txt", no, 10, 0},
        {"nolength", "body.txt", no, 1, 0}, {"short", "body.txt", body, 1, 1},
        {"long", "body.txt", body.substr(0, body.size() - 3), 1, 1},
        {"drop", "body.txt", no, any, 0}, {"", "empty.txt", "", 1, 1},
        {"", "missing.txt", no, 10, 0},
        // A time-out fails the fetch at once, and a trickle within its budget.
        {"silent", "body.txt", no, 1, 0}, {"stall", "body.txt", no, 1, 1},
        {"trickle", "body.txt", no, 1, 1}, {"slow", "big.bin", big, 1, 1},
        // A claim of 2 GiB: over the ceiling, refused before the GET; within
        // it, the memory follows the bytes that arrive.
        {"huge", "body.txt", no, 1, 0, kPackageMaxBytes}, {"huge", "body.txt", body, 1, 1},
        // Redirects: a few hops and another port are followed, loops are not.
        {"hops5", "body.txt", body, 1, 1}, {"hops6", "body.txt", no, 1, 0},
        {"self", "body.txt", no, 6, 0}, {"ping", "body.txt", no, 3, 0},
        {"elsewhere", "body.txt", body, 1, 1}, {"tohttps", "body.txt", no, 1, 0}};
    // clang-format on
    for (const auto& c : cases) {
        const std::string target =
            (*c.mode ? "/m/" + std::string(c.mode) : "") + "/fetch/" + c.file;
        SCOPED_TRACE(target);
        const size_t before = RequestsFor(target).size();
        DWORD length = 12345;
        std::unique_ptr<char[]> got =
            HttpFetch(ServerUrl(target.substr(1)).c_str(), &length, c.max);
        // A failure leaves the length as it was; a body ends in a zero.
        EXPECT_EQ(got ? std::string(got.get(), length + 1) : no + std::to_string(length),
                  c.body == no ? no + "12345" : c.body + '\0');
        std::vector<Request> log = RequestsFor(target);
        size_t heads = 0, gets = 0;
        for (size_t i = before; i < log.size(); ++i)
            (log[i].verb == "HEAD" ? heads : gets)++;
        EXPECT_TRUE(c.heads == any || heads == c.heads) << heads;
        EXPECT_EQ(gets, c.gets);
    }
    NtQueryInformationProcess(GetCurrentProcess(), ProcessVmCounters, &vm[1], sizeof vm[1], 0);
    EXPECT_LT(vm[1].PeakVirtualSize - vm[0].PeakVirtualSize, SIZE_T(256) << 20);
}

// HEAD and GET carry one time value, a query of their own kept, and the
// agent; a host-only URL asks for the root. Nothing goes to the web cache.
// A session keeps its connection for the requests of every file on one
// server, and opens another for another server.
TEST(HttpFetch, HeadAndGetCarryOneTimeValueAndTheAgent) {
    ASSERT_TRUE(Publish("pair/q.txt", "q"));
    const std::string agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; "
                              "SV1; .NET CLR 2.0.50727; InfoPath.1)";
    HttpSession session;
    DWORD length = 0;
    // URL, logged as, target's start
    const char* const cases[][3] = {{"pair/q.txt?a=1", "/pair/q.txt", "/pair/q.txt?a=1&t="},
                                    {"", "/?t=", "/?t="}};
    for (const auto& c : cases) {
        session.Fetch(ServerUrl(c[0]).c_str(), &length);
        std::vector<Request> log = RequestsFor(c[1]);
        ASSERT_GE(log.size(), 2u) << c[0];
        const Request &head = log[log.size() - 2], &get = log.back();
        // Nothing is served at the root: its HEAD is tried again, and no GET.
        EXPECT_EQ(head.verb + get.verb, *c[0] ? "HEADGET" : "HEADHEAD") << c[0];
        EXPECT_EQ(head.target.rfind(c[2], 0), 0u) << head.target;
        EXPECT_EQ(head.target, get.target);
        EXPECT_EQ(head.agent + get.agent, agent + agent);
        // Every request has a new time value: a copy in the cache would never be read.
        DWORD size = 0;
        EXPECT_FALSE(
            GetUrlCacheEntryInfoW(ServerUrl(get.target.substr(1)).c_str(), nullptr, &size));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(session.ConnectionsOpened(), 1);
    ASSERT_TRUE(session.Fetch(ServerUrl("m/elsewhere/pair/q.txt").c_str(), &length));
    EXPECT_GT(session.ConnectionsOpened(), 1);
}

TEST(HttpFetch, RefusedWithoutTraffic) {
    const std::wstring https = ServerUrl("secure.txt").replace(0, 4, L"https");
    for (const std::wstring& url : {std::wstring(), https, std::wstring(L"not a url"),
                                    ServerUrl("toolong/" + std::string(2100, 'a'))}) {
        DWORD length = 7;
        EXPECT_FALSE(HttpFetch(url.c_str(), &length));
        EXPECT_EQ(length, 7u);
    }
    EXPECT_TRUE(RequestsFor("/secure.txt").empty());
    EXPECT_TRUE(RequestsFor("/toolong/").empty());
}

TEST(FetchQueue, AtMostFourPackagesUnderWayOrHeld) {
    // next, count, released, fetches (outside 1..4 brought inside), starts
    const size_t rows[][5] = {{0, 0, 0, 4, 0}, {0, 1, 0, 4, 1}, {3, 9, 0, 4, 1}, {4, 9, 0, 4, 0},
                              {4, 9, 1, 4, 1}, {9, 9, 9, 4, 0}, {1, 9, 0, 1, 0}, {1, 9, 1, 1, 1},
                              {1, 9, 0, 0, 0}, {4, 9, 0, 9, 0}};
    for (const auto& r : rows)
        EXPECT_EQ(MayStartPackage(r[0], r[1], r[2], int(r[3])), r[4] != 0)
            << r[0] << " of " << r[1] << ", " << r[2] << " released, " << r[3];
}
