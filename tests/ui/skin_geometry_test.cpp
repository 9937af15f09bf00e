#include "ui/skin_geometry.h"

#include <gtest/gtest.h>

namespace {

// Corners 20 x 30 (left) and 24 x 32 (right) on top, 18 x 26 and 22 x 28 at
// the bottom; edges with thicknesses of their own.
void SampleMatrix(NineGridRect m[8]) {
    m[kTopLeft] = {0, 0, 20, 30};
    m[kTop] = {21, 0, 29, 12};
    m[kTopRight] = {30, 0, 54, 32};
    m[kLeft] = {0, 41, 6, 49};
    m[kRight] = {10, 41, 17, 49};
    m[kBottomLeft] = {0, 50, 18, 76};
    m[kBottom] = {21, 50, 29, 59};
    m[kBottomRight] = {30, 50, 52, 78};
}

struct NineGridCase {
    int w, h;
    PieceRect expect[8];
};

TEST(NineGrid, DestinationsTable) {
    NineGridRect m[8];
    SampleMatrix(m);
    const NineGridCase cases[] = {
        {500,
         300,
         {{0, 0, 20, 30},
          {20, 0, 456, 12},
          {476, 0, 24, 32},
          {0, 30, 6, 244},
          {493, 32, 7, 240},
          {0, 274, 18, 26},
          {18, 291, 460, 9},
          {478, 272, 22, 28}}},
        // Exactly as wide as the top corners: a top edge of width 0.
        {44,
         100,
         {{0, 0, 20, 30},
          {20, 0, 0, 12},
          {20, 0, 24, 32},
          {0, 30, 6, 44},
          {37, 32, 7, 40},
          {0, 74, 18, 26},
          {18, 91, 4, 9},
          {22, 72, 22, 28}}},
        // Smaller than the corners: stretched edges clamp to 0.
        {10,
         10,
         {{0, 0, 20, 30},
          {20, 0, 0, 12},
          {-14, 0, 24, 32},
          {0, 30, 6, 0},
          {3, 32, 7, 0},
          {0, -16, 18, 26},
          {18, 1, 0, 9},
          {-12, -18, 22, 28}}},
    };
    for (const auto& c : cases) {
        PieceRect out[8];
        NineGridDestinations(m, c.w, c.h, out);
        for (int k = 0; k < 8; ++k) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " piece " << k);
            EXPECT_EQ(out[k].x, c.expect[k].x);
            EXPECT_EQ(out[k].y, c.expect[k].y);
            EXPECT_EQ(out[k].width, c.expect[k].width);
            EXPECT_EQ(out[k].height, c.expect[k].height);
        }
    }
}

struct HitCase {
    bool nine, resizable, maximized;
    POINT cursor;
    int expect;
};

TEST(SizingHitTest, Table) {
    const RECT w = {100, 200, 600, 500};
    const HitCase cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cursor.x << "," << c.cursor.y);
        EXPECT_EQ(SizingHitTest(c.nine, c.resizable, c.maximized, w, c.cursor), c.expect);
    }
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

TEST(Buttons, PositionWithNegativeCoordinates) {
    struct Case {
        int x, y, w, h;
        POINT expect;
    } cases[] = {
        {-40, 4, 500, 300, {460, 4}},
        {10, -30, 500, 300, {10, 270}},
        {-40, -30, 500, 300, {460, 270}},
        {0, 0, 500, 300, {0, 0}},
    };
    for (const auto& c : cases) {
        ButtonDesc b;
        b.coord = {c.x, c.y};
        POINT p = ButtonPosition(b, c.w, c.h);
        EXPECT_EQ(p.x, c.expect.x);
        EXPECT_EQ(p.y, c.expect.y);
    }
}

TEST(Buttons, HitTestInListOrder) {
    ButtonDesc b[3];
    b[0].coord = {-40, 4};
    b[0].size = {30, 20}; // x 460..489 on a 500-wide window
    b[1].coord = {-55, 4};
    b[1].size = {30, 20}; // overlaps the first from 460 to 474
    b[2].coord = {10, 10};
    b[2].size = {5, 5};
    struct Case {
        int cx, cy, expect;
    } cases[] = {
        {460, 4, 0},   {489, 23, 0},  {490, 4, -1}, {470, 10, 0}, {459, 10, 1}, {445, 10, 1},
        {444, 10, -1}, {470, 24, -1}, {470, 3, -1}, {10, 10, 2},  {15, 10, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cx << "," << c.cy);
        EXPECT_EQ(ButtonHitTest(b, 3, 500, 300, c.cx, c.cy), c.expect);
    }
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
        RECT owner;
        int w, h;
        POINT expect;
    } cases[] = {
        {false, {}, 500, 300, {710, 370}},
        {true, {100, 100, 901, 601}, 301, 201, {350, 250}},
        {true, {-500, -300, 100, 100}, 400, 300, {0, 0}},       // pushed in at left/top
        {true, {1800, 900, 2200, 1200}, 400, 300, {1520, 740}}, // pushed in at right/bottom
        {true, {-3, -3, 0, 0}, 0, 0, {0, 0}},
        {false, {}, 3000, 2000, {0, 0}}, // larger than work: left wins
    };
    for (const auto& c : cases) {
        POINT p = CenterPosition(c.hasOwner ? &c.owner : nullptr, work, c.w, c.h);
        EXPECT_EQ(p.x, c.expect.x);
        EXPECT_EQ(p.y, c.expect.y);
    }
    // Each halving truncates toward zero on its own.
    RECT odd = {-5, -5, 0, 0};
    RECT wide = {-100, -100, 100, 100};
    POINT p = CenterPosition(&odd, wide, 3, 3);
    EXPECT_EQ(p.x, -2 - 1);
    EXPECT_EQ(p.y, -3);
}

TEST(ButtonMachine, MoveBetweenButtons) {
    int hot = -1;
    ButtonSteps s = ButtonMove(hot, false, 2);
    EXPECT_EQ(hot, 2);
    ASSERT_EQ(s.drawCount, 1);
    EXPECT_EQ(s.drawIndex[0], 2);
    EXPECT_EQ(s.drawState[0], kButtonHover);
    EXPECT_TRUE(s.hitCleared);

    s = ButtonMove(hot, false, 2); // same button: nothing redrawn
    EXPECT_EQ(s.drawCount, 0);
    EXPECT_TRUE(s.hitCleared);

    s = ButtonMove(hot, true, 0); // while pressed the new one shows pressed
    ASSERT_EQ(s.drawCount, 2);
    EXPECT_EQ(s.drawIndex[0], 2);
    EXPECT_EQ(s.drawState[0], kButtonNormal);
    EXPECT_EQ(s.drawIndex[1], 0);
    EXPECT_EQ(s.drawState[1], kButtonPressed);

    s = ButtonMove(hot, false, -1);
    EXPECT_EQ(hot, -1);
    ASSERT_EQ(s.drawCount, 1);
    EXPECT_EQ(s.drawState[0], kButtonNormal);
    EXPECT_FALSE(s.hitCleared);
}

TEST(ButtonMachine, PressReleaseLeave) {
    int hot = 1;
    bool pressed = false;
    ButtonSteps s = ButtonPress(hot, pressed);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(s.capture);
    EXPECT_EQ(s.drawState[0], kButtonPressed);

    s = ButtonLeave(hot, pressed); // no leave while pressed
    EXPECT_EQ(s.drawCount, 0);
    EXPECT_EQ(hot, 1);

    s = ButtonRelease(hot, pressed);
    EXPECT_FALSE(pressed);
    EXPECT_TRUE(s.releaseCapture);
    EXPECT_EQ(s.runButton, 1);
    EXPECT_EQ(s.drawState[0], kButtonHover);

    s = ButtonRelease(hot, pressed); // a second release finds nothing pressed
    EXPECT_EQ(s.runButton, -1);
    EXPECT_FALSE(s.releaseCapture);

    s = ButtonLeave(hot, pressed);
    EXPECT_EQ(hot, -1);
    EXPECT_EQ(s.drawState[0], kButtonNormal);

    s = ButtonPress(hot, pressed); // nothing hot: not a button press
    EXPECT_FALSE(pressed);
    EXPECT_FALSE(s.capture);

    // Released away from every button: no command.
    hot = 0;
    ButtonPress(hot, pressed);
    ButtonMove(hot, pressed, -1);
    s = ButtonRelease(hot, pressed);
    EXPECT_TRUE(s.releaseCapture);
    EXPECT_EQ(s.runButton, -1);
    EXPECT_EQ(s.drawCount, 0);
}

} // namespace
