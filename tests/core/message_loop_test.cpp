// The message loop with a real window, and the module's registry of loops.
#include "core/app_module.h"
#include "core/message_loop.h"
#include "core/messages.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_support::RecordingWindow;

constexpr UINT kProbe = WM_REFRESH_PAGE; // one the recording window keeps

// Consumes kProbe messages whose wParam is in [from, to], recording each ask.
struct RangeFilter : MessageFilter {
    RangeFilter(WPARAM from, WPARAM to) : from(from), to(to) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message != kProbe) return false;
        asked.push_back(msg->wParam);
        return msg->wParam >= from && msg->wParam <= to;
    }
    WPARAM from, to;
    std::vector<WPARAM> asked;
};

TEST(MessageLoop, NewestFilterIsAskedFirst) {
    RecordingWindow w;
    MessageLoop loop;
    RangeFilter older(10, 29), newer(20, 39);
    ASSERT_TRUE(loop.AddMessageFilter(&older));
    ASSERT_TRUE(loop.AddMessageFilter(nullptr)); // empty entries are skipped
    ASSERT_TRUE(loop.AddMessageFilter(&newer));
    for (WPARAM wp : {15, 25, 35, 5}) // older only, both (newer wins), newer only, neither
        PostMessageW(w.Get(), kProbe, wp, 0);
    // Thread messages, which have no window, are filtered all the same.
    PostThreadMessageW(GetCurrentThreadId(), kProbe, 36, 0);
    PostQuitMessage(7);
    EXPECT_EQ(loop.Run(), 7);
    EXPECT_EQ(newer.asked, (std::vector<WPARAM>{15, 25, 35, 5, 36}));
    EXPECT_EQ(older.asked, (std::vector<WPARAM>{15, 5}));
    ASSERT_EQ(w.Count(kProbe), 1); // the one that neither consumed
    EXPECT_EQ(w.Count(kProbe, 5), 1);
}

// Records idle rounds in order; the one with a window also drives the loop:
// kProbe counts and brings a round, WM_MOUSEMOVE alone would bring none.
struct IdleProbe : IdleHandler {
    IdleProbe(std::vector<int>* order, int id, HWND hwnd = nullptr)
        : order(order), id(id), hwnd(hwnd) {}
    bool OnIdle() override {
        order->push_back(id);
        size_t n = hwnd ? order->size() : 0;
        if (n == 3) PostMessageW(hwnd, kProbe, 1, 0);
        if (n == 6) PostMessageW(hwnd, WM_MOUSEMOVE, 0, 0), PostMessageW(hwnd, WM_APP + 2, 0, 0);
        if (n == 9) PostQuitMessage(9);
        return true;
    }
    std::vector<int>* order;
    int id;
    HWND hwnd;
};

TEST(MessageLoop, IdleRunsOnceAfterEachMessageThatCounts) {
    RecordingWindow w;
    MessageLoop loop;
    std::vector<int> order;
    IdleProbe first(&order, 1), second(&order, 2), last(&order, 3, w.Get());
    for (IdleHandler* h : std::vector<IdleHandler*>{&first, nullptr, &second, &last})
        ASSERT_TRUE(loop.AddIdleHandler(h));
    EXPECT_EQ(loop.Run(), 9);
    // Before any message, after kProbe, after WM_APP + 2: three rounds in order.
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
}

TEST(AppModule, OneLoopPerThread) {
    AppModule module;
    MessageLoop loop, other;
    ASSERT_TRUE(module.Init(GetModuleHandleW(nullptr)));
    EXPECT_EQ(module.MainThreadId(), GetCurrentThreadId());
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    ASSERT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_FALSE(module.AddMessageLoop(&other));
    EXPECT_EQ(module.GetMessageLoop(), &loop);
    EXPECT_EQ(module.GetMessageLoop(GetCurrentThreadId() + 1), nullptr); // another thread's
    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_FALSE(module.RemoveMessageLoop());
    ASSERT_TRUE(module.AddMessageLoop(&loop));
    module.Term();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    EXPECT_EQ(module.Instance(), nullptr);
}

} // namespace
