// The skin's rules without a window, one table each.
#include "ui/skin_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool operator==(const PieceRect& a, const PieceRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST(NineGrid, DestinationsTable) {
    // Corners 20 x 30 (left) and 24 x 32 (right) on top, 18 x 26 and 22 x 28
    // at the bottom; edges with thicknesses of their own.
    const NineGridRect m[8] = {{0, 0, 20, 30},   {21, 0, 29, 12},  {30, 0, 54, 32},
                               {0, 41, 6, 49},   {10, 41, 17, 49}, {0, 50, 18, 76},
                               {21, 50, 29, 59}, {30, 50, 52, 78}};
    struct Case {
        int w, h;
        PieceRect expect[8];
    } cases[] = {
        // clang-format off
        {500, 300, {{0, 0, 20, 30}, {20, 0, 456, 12}, {476, 0, 24, 32}, {0, 30, 6, 244},
                    {493, 32, 7, 240}, {0, 274, 18, 26}, {18, 291, 460, 9}, {478, 272, 22, 28}}},
        // Exactly as wide as the top corners: a top edge of width 0.
        {44, 100, {{0, 0, 20, 30}, {20, 0, 0, 12}, {20, 0, 24, 32}, {0, 30, 6, 44},
                   {37, 32, 7, 40}, {0, 74, 18, 26}, {18, 91, 4, 9}, {22, 72, 22, 28}}},
        // Smaller than the corners: stretched edges clamp to 0.
        {10, 10, {{0, 0, 20, 30}, {20, 0, 0, 12}, {-14, 0, 24, 32}, {0, 30, 6, 0},
                  {3, 32, 7, 0}, {0, -16, 18, 26}, {18, 1, 0, 9}, {-12, -18, 22, 28}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        PieceRect out[8];
        NineGridDestinations(m, c.w, c.h, out);
        for (int k = 0; k < 8; ++k)
            EXPECT_TRUE(out[k] == c.expect[k]) << c.w << "x" << c.h << " piece " << k;
    }
}

TEST(SizingHitTest, Table) {
    const RECT w = {100, 200, 600, 500};
    struct Case {
        bool nine, resizable, maximized;
        POINT cursor;
        int expect;
    } cases[] = {
        {true, true, false, {597, 203}, kHitSizeTopRight}, // 3 px inside top-right
        {true, true, false, {590, 210}, kHitMove},         // 10 px inside
        {true, true, false, {92, 300}, kHitSizeLeft},      // left band reaches outside
        {true, true, false, {91, 300}, kHitMove},
        {true, true, false, {107, 300}, kHitSizeLeft},
        {true, true, false, {108, 300}, kHitMove},
        {true, true, false, {592, 300}, kHitSizeRight},
        {true, true, false, {600, 300}, kHitMove}, // right edge exclusive
        {true, true, false, {300, 207}, kHitSizeTop},
        {true, true, false, {300, 208}, kHitMove},
        {true, true, false, {300, 492}, kHitSizeBottom},
        {true, true, false, {300, 500}, kHitMove},
        {true, true, false, {100, 499}, kHitSizeBottomLeft},
        {true, true, false, {599, 499}, kHitSizeBottomRight},
        {true, true, true, {597, 203}, kHitNone},   // maximised: nothing
        {true, false, false, {597, 203}, kHitMove}, // not resizable: always move
        {false, true, false, {597, 203}, kHitMove}, // no nine-grid: always move
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizingHitTest(c.nine, c.resizable, c.maximized, w, c.cursor), c.expect)
            << c.cursor.x << "," << c.cursor.y;
}

TEST(CursorForHit, Table) {
    struct Case {
        bool hot, nine, resizable, maximized;
        int hit;
        SkinCursor expect;
    } cases[] = {
        {false, true, true, false, kHitSizeRight, SkinCursor::SizeWE},
        {false, true, true, false, kHitSizeBottom, SkinCursor::SizeNS},
        {false, true, true, false, kHitSizeBottomRight, SkinCursor::SizeNWSE},
        {false, true, true, false, kHitSizeBottomLeft, SkinCursor::SizeNESW},
        {false, true, true, false, kHitMove, SkinCursor::Window},
        {true, true, true, false, kHitSizeLeft, SkinCursor::Window},   // over a button
        {false, true, true, true, kHitSizeLeft, SkinCursor::Window},   // maximised
        {false, false, true, false, kHitSizeLeft, SkinCursor::Window}, // no nine-grid
    };
    for (const auto& c : cases)
        EXPECT_EQ(CursorForHit(c.hot, c.nine, c.resizable, c.maximized, c.hit), c.expect);
}

TEST(Buttons, PositionAndHitTestInListOrder) {
    ButtonDesc b[3];
    b[0].coord = {-40, 4}; // from the right: x 460..489 on a 500-wide window
    b[0].size = {30, 20};
    b[1].coord = {-55, -296}; // overlaps the first from 460 to 474
    b[1].size = {30, 20};
    b[2].coord = {10, 10};
    b[2].size = {5, 5};
    EXPECT_EQ(ButtonPosition(b[1], 500, 300).x, 445);
    EXPECT_EQ(ButtonPosition(b[1], 500, 300).y, 4);
    struct Case {
        int cx, cy, expect;
    } cases[] = {
        {460, 4, 0},   {489, 23, 0},  {490, 4, -1}, {470, 10, 0}, {459, 10, 1}, {445, 10, 1},
        {444, 10, -1}, {470, 24, -1}, {470, 3, -1}, {10, 10, 2},  {15, 10, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ButtonHitTest(b, 3, 500, 300, c.cx, c.cy), c.expect) << c.cx << "," << c.cy;
    EXPECT_EQ(ButtonHitTest(nullptr, 0, 500, 300, 1, 1), -1);
}

TEST(Buttons, FaceForState) {
    ButtonDesc b;
    b.coord = {-40, 4};
    b.normal = {1, 1};
    b.hove = {2, 2};
    b.pressed = {3, 3};
    b.alter = {4, 4};
    b.alter_hove = {5, 5};
    b.alter_pressed = {6, 6};
    struct Case {
        int state;
        bool maximized, nine, fromBackground;
        int x;
    } cases[] = {
        {kButtonNormal, false, true, false, 1},   {kButtonHover, false, true, false, 2},
        {kButtonPressed, false, true, false, 3},  {kButtonNormal, true, true, false, 4},
        {kButtonHover, true, true, false, 5},     {kButtonPressed, true, true, false, 6},
        {kButtonNormal, false, false, true, 460}, {kButtonNormal, true, false, true, 460},
        {kButtonHover, true, false, false, 5},
    };
    for (const auto& c : cases) {
        ButtonFace f = FaceForState(b, c.state, c.maximized, c.nine, ButtonPosition(b, 500, 300));
        EXPECT_EQ(f.fromBackground, c.fromBackground);
        EXPECT_EQ(f.source.x, c.x);
    }
}

TEST(CenterPosition, Table) {
    const RECT work = {0, 0, 1920, 1040};
    struct Case {
        bool hasOwner;
        RECT owner, work;
        int w, h;
        POINT expect;
    } cases[] = {
        {false, {}, work, 500, 300, {710, 370}},
        {true, {100, 100, 901, 601}, work, 301, 201, {350, 250}},
        {true, {-500, -300, 100, 100}, work, 400, 300, {0, 0}},       // pushed in at left/top
        {true, {1800, 900, 2200, 1200}, work, 400, 300, {1520, 740}}, // pushed in at right/bottom
        {true, {-3, -3, 0, 0}, work, 0, 0, {0, 0}},
        {false, {}, work, 3000, 2000, {0, 0}}, // larger than work: left wins
        // Each halving truncates toward zero on its own.
        {true, {-5, -5, 0, 0}, {-100, -100, 100, 100}, 3, 3, {-3, -3}},
    };
    for (const auto& c : cases) {
        POINT p = CenterPosition(c.hasOwner ? &c.owner : nullptr, c.work, c.w, c.h);
        EXPECT_EQ(p.x, c.expect.x);
        EXPECT_EQ(p.y, c.expect.y);
    }
}

// The press/move/release/leave machine, one event a row on the state the
// rows before left: what it draws and whether it captures, runs or clears.
TEST(ButtonMachine, Table) {
    enum Event { kMove, kPress, kRelease, kLeave, kCaptureLost };
    struct Row {
        Event event;
        int hit; // for kMove
        int hot;
        bool pressed;
        std::vector<std::pair<int, int>> draws;
        bool capture, releaseCapture;
        int run;
        bool hitCleared;
    } rows[] = {
        {kMove, 2, 2, false, {{2, kButtonHover}}, false, false, -1, true},
        {kMove, 2, 2, false, {}, false, false, -1, true}, // same button: nothing redrawn
        {kPress, 0, 2, true, {{2, kButtonPressed}}, true, false, -1, false},
        // While pressed the new one shows pressed.
        {kMove, 0, 0, true, {{2, kButtonNormal}, {0, kButtonPressed}}, false, false, -1, true},
        {kLeave, 0, 0, true, {}, false, false, -1, false}, // no leave while pressed
        {kRelease, 0, 0, false, {{0, kButtonHover}}, false, true, 0, false},
        {kRelease, 0, 0, false, {}, false, false, -1, false}, // nothing pressed any more
        {kLeave, 0, -1, false, {{0, kButtonNormal}}, false, false, -1, false},
        {kPress, 0, -1, false, {}, false, false, -1, false}, // nothing hot: not a button press
        {kMove, 1, 1, false, {{1, kButtonHover}}, false, false, -1, true},
        {kPress, 0, 1, true, {{1, kButtonPressed}}, true, false, -1, false},
        // Another window took the mouse: the press is over, nothing runs.
        {kCaptureLost, 0, 1, false, {{1, kButtonHover}}, false, false, -1, false},
        {kRelease, 0, 1, false, {}, false, false, -1, false},
        {kPress, 0, 1, true, {{1, kButtonPressed}}, true, false, -1, false},
        {kMove, -1, -1, true, {{1, kButtonNormal}}, false, false, -1, false},
        // Released away from every button: no command.
        {kRelease, 0, -1, false, {}, false, true, -1, false},
    };
    int hot = -1;
    bool pressed = false;
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << n++);
        ButtonSteps s = row.event == kMove      ? ButtonMove(hot, pressed, row.hit)
                        : row.event == kPress   ? ButtonPress(hot, pressed)
                        : row.event == kRelease ? ButtonRelease(hot, pressed)
                        : row.event == kLeave   ? ButtonLeave(hot, pressed)
                                                : ButtonCaptureLost(hot, pressed);
        std::vector<std::pair<int, int>> draws;
        for (int k = 0; k < s.drawCount; ++k)
            draws.push_back({s.drawIndex[k], s.drawState[k]});
        EXPECT_EQ(hot, row.hot);
        EXPECT_EQ(pressed, row.pressed);
        EXPECT_EQ(draws, row.draws);
        EXPECT_EQ(s.capture, row.capture);
        EXPECT_EQ(s.releaseCapture, row.releaseCapture);
        EXPECT_EQ(s.runButton, row.run);
        EXPECT_EQ(s.hitCleared, row.hitCleared);
    }
}

} // namespace
