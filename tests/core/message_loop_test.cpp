// The message loop on a thread of its own, with real windows, and the module's
// registry of loops by thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/app_module.h"
#include "core/message_loop.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;

// What the test window saw: the wParam of every kProbe dispatched to it.
thread_local std::vector<WPARAM>* t_dispatched = nullptr;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kProbe) {
        if (t_dispatched) t_dispatched->push_back(wp);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateProbeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraLoopProbe";
    RegisterClassW(&wc); // a second registration fails harmlessly
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

// Consumes kProbe messages whose wParam is in [from, to], recording each ask.
class RangeFilter : public MessageFilter {
  public:
    RangeFilter(WPARAM from, WPARAM to) : from_(from), to_(to) {}
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message != kProbe) return false;
        asked.push_back(msg->wParam);
        return msg->wParam >= from_ && msg->wParam <= to_;
    }
    std::vector<WPARAM> asked;

  private:
    WPARAM from_;
    WPARAM to_;
};

class CountingIdle : public IdleHandler {
  public:
    explicit CountingIdle(std::vector<int>* order, int id) : order_(order), id_(id) {}
    bool OnIdle() override {
        order_->push_back(id_);
        return true;
    }

  private:
    std::vector<int>* order_;
    int id_;
};

// Runs body on a new thread that owns a loop and a window, then the loop.
template <typename Body> int RunOnThread(Body body) {
    int result = -1;
    std::thread thread([&] {
        MessageLoop loop;
        HWND hwnd = CreateProbeWindow();
        ASSERT_NE(hwnd, nullptr);
        body(loop, hwnd);
        result = loop.Run();
        DestroyWindow(hwnd);
    });
    thread.join();
    return result;
}

TEST(MessageLoop, NewestFilterIsAskedFirst) {
    std::vector<WPARAM> dispatched;
    RangeFilter older(10, 29);
    RangeFilter newer(20, 39);
    int result = RunOnThread([&](MessageLoop& loop, HWND hwnd) {
        t_dispatched = &dispatched;
        ASSERT_TRUE(loop.AddMessageFilter(&older));
        ASSERT_TRUE(loop.AddMessageFilter(nullptr)); // empty entries are skipped
        ASSERT_TRUE(loop.AddMessageFilter(&newer));
        PostMessageW(hwnd, kProbe, 15, 0); // only the older consumes
        PostMessageW(hwnd, kProbe, 25, 0); // both would: only the newer is asked
        PostMessageW(hwnd, kProbe, 35, 0); // only the newer consumes
        PostMessageW(hwnd, kProbe, 5, 0);  // neither
        // Thread messages, which have no window, are filtered all the same.
        PostThreadMessageW(GetCurrentThreadId(), kProbe, 36, 0);
        PostQuitMessage(7);
    });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(newer.asked, (std::vector<WPARAM>{15, 25, 35, 5, 36}));
    EXPECT_EQ(older.asked, (std::vector<WPARAM>{15, 5}));
    EXPECT_EQ(dispatched, (std::vector<WPARAM>{5}));
}

// Counts idle rounds and ends the loop from inside one of them.
class QuitAfterIdle : public IdleHandler {
  public:
    bool OnIdle() override {
        ++rounds;
        // First round: a message that counts, which must bring idle back.
        if (rounds == 1) PostMessageW(hwnd_, kProbe, 1, 0);
        // Second round: a paint-like message that must not.
        if (rounds == 2) {
            PostMessageW(hwnd_, WM_MOUSEMOVE, 0, 0);
            PostMessageW(hwnd_, WM_APP + 2, 0, 0);
        }
        // Third round, brought by WM_APP + 2: end the loop.
        if (rounds == 3) PostQuitMessage(9);
        return true;
    }
    HWND hwnd_ = nullptr;
    int rounds = 0;
};

TEST(MessageLoop, IdleRunsOnceAfterEachMessageThatCounts) {
    std::vector<int> order;
    CountingIdle first(&order, 1);
    CountingIdle second(&order, 2);
    QuitAfterIdle quitter;
    int result = RunOnThread([&](MessageLoop& loop, HWND hwnd) {
        quitter.hwnd_ = hwnd;
        ASSERT_TRUE(loop.AddIdleHandler(&first));
        ASSERT_TRUE(loop.AddIdleHandler(nullptr));
        ASSERT_TRUE(loop.AddIdleHandler(&second));
        ASSERT_TRUE(loop.AddIdleHandler(&quitter));
    });
    EXPECT_EQ(result, 9);
    // Round 1 before any message, round 2 after kProbe, round 3 after
    // WM_APP + 2 (WM_MOUSEMOVE alone would not bring one).
    EXPECT_EQ(quitter.rounds, 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2, 1, 2}));
}

TEST(AppModule, RegistryByThread) {
    AppModule module;
    MessageLoop loop;
    MessageLoop other;
    ASSERT_TRUE(module.Init(GetModuleHandleW(nullptr)));
    EXPECT_EQ(module.Instance(), GetModuleHandleW(nullptr));
    EXPECT_EQ(module.MainThreadId(), GetCurrentThreadId());
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    ASSERT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_FALSE(module.AddMessageLoop(&other)); // one loop per thread
    EXPECT_EQ(module.GetMessageLoop(), &loop);
    EXPECT_EQ(module.GetMessageLoop(GetCurrentThreadId()), &loop);

    DWORD mainId = GetCurrentThreadId();
    MessageLoop* seenFromThread = nullptr;
    MessageLoop* ownOfThread = &other;
    MessageLoop* afterAdd = nullptr;
    std::thread thread([&] {
        seenFromThread = module.GetMessageLoop(mainId);
        ownOfThread = module.GetMessageLoop();
        module.AddMessageLoop(&other);
        afterAdd = module.GetMessageLoop();
        EXPECT_TRUE(module.RemoveMessageLoop());
    });
    thread.join();
    EXPECT_EQ(seenFromThread, &loop);
    EXPECT_EQ(ownOfThread, nullptr);
    EXPECT_EQ(afterAdd, &other);
    EXPECT_EQ(module.GetMessageLoop(), &loop);

    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_FALSE(module.RemoveMessageLoop());
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    ASSERT_TRUE(module.AddMessageLoop(&loop));
    module.Term();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    EXPECT_EQ(module.Instance(), nullptr);
}

TEST(AppModule, ConcurrentRegistryUse) {
    AppModule module;
    module.Init(GetModuleHandleW(nullptr));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            MessageLoop loop;
            for (int i = 0; i < 200; ++i) {
                if (!module.AddMessageLoop(&loop)) ++failures;
                if (module.GetMessageLoop() != &loop) ++failures;
                if (!module.RemoveMessageLoop()) ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    module.Term();
}

} // namespace
