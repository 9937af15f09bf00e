// The owners of win/: one release per thing held, none from a moved-from or
// released owner, and a failed initialisation never balanced.
#include "win/com_scoped.h"
#include "win/inet.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace {

int g_closed = 0;
struct CountingTraits {
    using Type = int;
    static Type Invalid() { return -1; }
    static bool Valid(Type h) { return h >= 0; }
    static void Close(Type) { ++g_closed; }
};
using Owner = win::Scoped<CountingTraits>;
static_assert(!std::is_copy_constructible<Owner>::value && !std::is_copy_assignable<Owner>::value);
static_assert(std::is_nothrow_move_constructible<Owner>::value);

TEST(Owners, EachHeldThingIsReleasedOnce) {
    struct Row {
        const char* name;
        void (*run)();
        int closed;
    } rows[] = {
        // clang-format off
        {"empty", [] { Owner a; }, 0},
        {"held", [] { Owner a(0); }, 1},
        {"moved", [] { Owner a(1), b(std::move(a)); }, 1},
        {"moved over a held one", [] { Owner a(1), b(2); b = std::move(a); }, 2},
        {"moved onto itself", [] { Owner a(1), &same = a; a = std::move(same); }, 1},
        {"released", [] { Owner a(1); EXPECT_EQ(1, a.Release()); }, 0},
        {"reset", [] { Owner a(1); a.Reset(2); a.Reset(); }, 2},
        // clang-format on
    };
    for (const Row& row : rows) {
        g_closed = 0;
        row.run();
        EXPECT_EQ(row.closed, g_closed) << row.name;
    }
}

TEST(Owners, ComInitialisationIsBalancedOnlyWhenItSucceeded) {
    {
        win::ComInit com(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ASSERT_EQ(S_OK, com.Get());
        win::ComInit moved(std::move(com));
        {
            // Another model fails and must not end the apartment it did not start.
            win::ComInit refused(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
            EXPECT_EQ(RPC_E_CHANGED_MODE, refused.Get());
            win::OleInit ole(OleInitialize(nullptr));
            EXPECT_TRUE(ole);
        }
        win::ComInit again(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        EXPECT_EQ(S_FALSE, again.Get()); // still initialised
    }
    win::ComInit fresh(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    EXPECT_EQ(S_OK, fresh.Get()); // every start was balanced
}

TEST(Owners, BstrMovesItsHold) {
    win::UniqueBstr text(SysAllocString(L"abc"));
    win::UniqueBstr moved(std::move(text));
    EXPECT_EQ(nullptr, text.Get());
    EXPECT_EQ(3u, SysStringLen(moved.Get()));
}

} // namespace
