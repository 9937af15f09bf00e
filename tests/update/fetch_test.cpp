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
    // Slower in all than a fetch's budget, but never idle for a time-out.
    const std::string big(10 << 16, 'b'), toolong = "toolong/" + std::string(2100, 'a');
    ASSERT_TRUE(Publish("fetch/body.txt", body) && Publish("fetch/empty.txt", "") &&
                Publish("fetch/big.bin", big));
    Override<DWORD> quick(g_httpTimeoutMs, 1000); // time-outs of a second
    const size_t any = ~size_t(0); // a dropped connection may be retried inside WinINet itself
    VM_COUNTERS vm[2] = {};
    NtQueryInformationProcess(GetCurrentProcess(), ProcessVmCounters, &vm[0], sizeof vm[0], 0);
    // clang-format off
    struct { const char* mode; size_t heads, gets; std::string body; const char* file = "body.txt";
             DWORD max = ~0u; } cases[] = {
        {"", 1, 1, body}, {"head404", 10, 0, no}, {"head405", 10, 0, no}, {"fail500x3", 4, 1, body},
        {"fail500x10", 10, 0, no}, {"fail500x11", 10, 0, no, "empty.txt"}, {"nolength", 1, 0, no},
        {"short", 1, 1, body}, {"long", 1, 1, body.substr(0, body.size() - 3)},
        {"drop", any, 0, no}, {"", 1, 1, "", "empty.txt"}, {"", 10, 0, no, "missing.txt"},
        // A time-out fails the fetch at once, and a trickle within its budget.
        {"silent", 1, 0, no}, {"stall", 1, 1, no}, {"trickle", 1, 1, no},
        {"slow", 1, 1, big, "big.bin"},
        // A claim of 2 GiB: over the ceiling, no GET; within it, memory follows the bytes.
        {"huge", 1, 0, no, "body.txt", kPackageMaxBytes}, {"huge", 1, 1, body},
        // Redirects: a few hops and another port are followed, loops are not.
        {"hops5", 1, 1, body}, {"hops6", 1, 0, no}, {"self", 6, 0, no}, {"ping", 3, 0, no},
        {"elsewhere", 1, 1, body}, {"tohttps", 1, 0, no}, {"", 0, 0, no, toolong.c_str()}};
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
// agent. A session keeps one connection a server.
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
        DWORD size = 0;
        EXPECT_FALSE(
            GetUrlCacheEntryInfoW(ServerUrl(get.target.substr(1)).c_str(), nullptr, &size));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(session.ConnectionsOpened(), 1);
    ASSERT_TRUE(session.Fetch(ServerUrl("m/elsewhere/pair/q.txt").c_str(), &length));
    EXPECT_GT(session.ConnectionsOpened(), 1);
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
