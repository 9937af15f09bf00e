// The skin's rules without a window, one table each.
#include "ui/skin_geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

TEST(NineGrid, DestinationsTable) {
    // Corners 20 x 30 (left) and 24 x 32 (right) on top, 18 x 26 and 22 x 28
    // at the bottom; edges with thicknesses of their own. At 44 wide the top
    // edge is 0 wide; below the corners' size stretched edges clamp to 0.
    const NineGridRect m[8] = {{0, 0, 20, 30},   {21, 0, 29, 12},  {30, 0, 54, 32},
                               {0, 41, 6, 49},   {10, 41, 17, 49}, {0, 50, 18, 76},
                               {21, 50, 29, 59}, {30, 50, 52, 78}};
    struct Case {
        int w, h, expect[32];
    } cases[] = {
        {500, 300, {0,   0,  20, 30,  20, 0,   456, 12, 476, 0,   24,  32, 0,   30,  6,  244,
                    493, 32, 7,  240, 0,  274, 18,  26, 18,  291, 460, 9,  478, 272, 22, 28}},
        {44, 100, {0,  0,  20, 30, 20, 0,  0,  12, 20, 0,  24, 32, 0,  30, 6,  44,
                   37, 32, 7,  40, 0,  74, 18, 26, 18, 91, 4,  9,  22, 72, 22, 28}},
        {10, 10, {0, 0,  20, 30, 20, 0,   0,  12, -14, 0, 24, 32, 0,   30,  6,  0,
                  3, 32, 7,  0,  0,  -16, 18, 26, 18,  1, 0,  9,  -12, -18, 22, 28}}};
    for (const auto& c : cases) {
        PieceRect out[8];
        NineGridDestinations(m, c.w, c.h, out);
        static_assert(sizeof out == sizeof c.expect, "x, y, width, height");
        EXPECT_EQ(0, memcmp(out, c.expect, sizeof out)) << c.w << "x" << c.h;
    }
}

// The bands reach 8 px outside the left edge and 8 px in; right and bottom
// edges are exclusive. Maximised, without nine-grid or not resizable, a
// corner only moves the window (or, maximised, nothing).
TEST(SizingHitTest, Table) {
    const RECT w = {100, 200, 600, 500};
    const int cases[][3] = {{597, 203, kHitSizeTopRight},   {590, 210, kHitMove},
                            {92, 300, kHitSizeLeft},        {91, 300, kHitMove},
                            {107, 300, kHitSizeLeft},       {108, 300, kHitMove},
                            {592, 300, kHitSizeRight},      {600, 300, kHitMove},
                            {300, 207, kHitSizeTop},        {300, 208, kHitMove},
                            {300, 492, kHitSizeBottom},     {300, 500, kHitMove},
                            {100, 499, kHitSizeBottomLeft}, {599, 499, kHitSizeBottomRight}};
    for (const auto& c : cases)
        EXPECT_EQ(SizingHitTest(true, true, false, w, {c[0], c[1]}), c[2]) << c[0] << "," << c[1];
    EXPECT_EQ(SizingHitTest(true, true, true, w, {597, 203}), kHitNone);
    EXPECT_EQ(SizingHitTest(true, false, false, w, {597, 203}), kHitMove);
    EXPECT_EQ(SizingHitTest(false, true, false, w, {597, 203}), kHitMove);
}

// Nine-grid and resizable: the sizing cursors; over a button, maximised or
// without nine-grid, the skin's own.
TEST(CursorForHit, Table) {
    const std::pair<int, SkinCursor> cases[] = {{kHitSizeRight, SkinCursor::SizeWE},
                                                {kHitSizeBottom, SkinCursor::SizeNS},
                                                {kHitSizeBottomRight, SkinCursor::SizeNWSE},
                                                {kHitSizeBottomLeft, SkinCursor::SizeNESW},
                                                {kHitMove, SkinCursor::Window}};
    for (const auto& c : cases)
        EXPECT_EQ(CursorForHit(false, true, true, false, c.first), c.second) << c.first;
    EXPECT_EQ(CursorForHit(true, true, true, false, kHitSizeLeft), SkinCursor::Window);
    EXPECT_EQ(CursorForHit(false, true, true, true, kHitSizeLeft), SkinCursor::Window);
    EXPECT_EQ(CursorForHit(false, false, true, false, kHitSizeLeft), SkinCursor::Window);
}

TEST(Buttons, PositionAndHitTestInListOrder) {
    // From the right: x 460..489 on a 500-wide window; the second overlaps
    // the first from 460 to 474.
    ButtonDesc b[3] = {{{-40, 4}, {30, 20}, {}, {}, {}, {}, {}, {}, 0},
                       {{-55, -296}, {30, 20}, {}, {}, {}, {}, {}, {}, 0},
                       {{10, 10}, {5, 5}, {}, {}, {}, {}, {}, {}, 0}};
    EXPECT_EQ(ButtonPosition(b[1], 500, 300).x, 445);
    EXPECT_EQ(ButtonPosition(b[1], 500, 300).y, 4);
    const int cases[][3] = {{460, 4, 0},  {489, 23, 0}, {490, 4, -1},  {470, 10, 0},
                            {459, 10, 1}, {445, 10, 1}, {444, 10, -1}, {470, 24, -1},
                            {470, 3, -1}, {10, 10, 2},  {15, 10, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ButtonHitTest(b, 3, 500, 300, c[0], c[1]), c[2]) << c[0] << "," << c[1];
    EXPECT_EQ(ButtonHitTest(nullptr, 0, 500, 300, 1, 1), -1);
}

TEST(Buttons, FaceForState) {
    const ButtonDesc b{{-40, 4}, {}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, 0};
    // state, maximised, nine-grid, expected source x (460: the background's own)
    const int cases[][4] = {
        {kButtonNormal, 0, 1, 1},   {kButtonHover, 0, 1, 2},    {kButtonPressed, 0, 1, 3},
        {kButtonNormal, 1, 1, 4},   {kButtonHover, 1, 1, 5},    {kButtonPressed, 1, 1, 6},
        {kButtonNormal, 0, 0, 460}, {kButtonNormal, 1, 0, 460}, {kButtonHover, 1, 0, 5}};
    for (const auto& c : cases) {
        ButtonFace f = FaceForState(b, c[0], c[1], c[2], ButtonPosition(b, 500, 300));
        EXPECT_EQ(f.fromBackground, c[3] == 460);
        EXPECT_EQ(f.source.x, c[3]);
    }
}

TEST(CenterPosition, Table) {
    // Pushed in at left/top and at right/bottom; larger than the work area:
    // left wins; each halving truncates toward zero on its own.
    const RECT work = {0, 0, 1920, 1040};
    struct Case {
        bool hasOwner;
        RECT owner, work;
        int w, h, x, y;
    } cases[] = {{false, {}, work, 500, 300, 710, 370},
                 {true, {100, 100, 901, 601}, work, 301, 201, 350, 250},
                 {true, {-500, -300, 100, 100}, work, 400, 300, 0, 0},
                 {true, {1800, 900, 2200, 1200}, work, 400, 300, 1520, 740},
                 {true, {-3, -3, 0, 0}, work, 0, 0, 0, 0},
                 {false, {}, work, 3000, 2000, 0, 0},
                 {true, {-5, -5, 0, 0}, {-100, -100, 100, 100}, 3, 3, -3, -3}};
    for (const auto& c : cases) {
        POINT p = CenterPosition(c.hasOwner ? &c.owner : nullptr, c.work, c.w, c.h);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

// The press/move/release/leave machine, one event a row on the state the
// rows before left: hot button ("p" when pressed), then what is drawn
// (index and Normal/Hover/Pressed face), then c(apture), r(elease capture),
// x (hit cleared) and the button whose command runs.
TEST(ButtonMachine, Table) {
    struct Row {
        char event; // Move (to hit), Press, Release, Leave, capture Lost
        int hit;
        const char* expect;
    } rows[] = {
        {'M', 2, "2 2H x"}, {'M', 2, "2 x"},         {'P', 0, "2p 2P c"}, {'M', 0, "0p 2N 0P x"},
        {'L', 0, "0p"},     {'R', 0, "0 0H r run0"}, {'R', 0, "0"},       {'L', 0, "-1 0N"},
        {'P', 0, "-1"},     {'M', 1, "1 1H x"},      {'P', 0, "1p 1P c"}, {'l', 0, "1 1H"},
        {'R', 0, "1"},      {'P', 0, "1p 1P c"},     {'M', -1, "-1p 1N"}, {'R', 0, "-1 r"}};
    int hot = -1;
    bool pressed = false;
    for (const Row& row : rows) {
        ButtonSteps s = row.event == 'M'   ? ButtonMove(hot, pressed, row.hit)
                        : row.event == 'P' ? ButtonPress(hot, pressed)
                        : row.event == 'R' ? ButtonRelease(hot, pressed)
                        : row.event == 'L' ? ButtonLeave(hot, pressed)
                                           : ButtonCaptureLost(hot, pressed);
        std::string got = std::to_string(hot) + (pressed ? "p" : "");
        for (int k = 0; k < s.drawCount; ++k)
            got += " " + std::to_string(s.drawIndex[k]) + "NHP"[s.drawState[k] + 1];
        got += std::string(s.capture ? " c" : "") + (s.releaseCapture ? " r" : "") +
               (s.hitCleared ? " x" : "");
        if (s.runButton >= 0) got += " run" + std::to_string(s.runButton);
        EXPECT_EQ(got, row.expect) << row.event << row.hit;
    }
}

} // namespace
