// Skin geometry without any window: nine-grid placement, the sizing hit test,
// button placement and hit testing, centring, and the button state machine.
// Kept free of window handles so that every rule can be tested on its own.
#pragma once

#include "core/static_config.h"
#include "core/win_types.h"

// System commands that a press on the skin outside the buttons sends to the
// owner: SC_MOVE with the caption hit code, and SC_SIZE plus the edge.
constexpr int kHitNone = 0;
constexpr int kHitMove = 0xF012;
constexpr int kHitSizeLeft = 0xF001;
constexpr int kHitSizeRight = 0xF002;
constexpr int kHitSizeTop = 0xF003;
constexpr int kHitSizeTopLeft = 0xF004;
constexpr int kHitSizeTopRight = 0xF005;
constexpr int kHitSizeBottom = 0xF006;
constexpr int kHitSizeBottomLeft = 0xF007;
constexpr int kHitSizeBottomRight = 0xF008;

// Width of the sizing band along each edge, in pixels.
constexpr int kSizingBand = 8;

struct PieceRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Destination of each of the eight pieces (in NineGridPiece order) in a W x H
// window. A stretched edge that would get a negative extent, because the
// window is smaller than its corners, gets 0 instead.
void NineGridDestinations(const NineGridRect matrix[8], int width, int height, PieceRect out[8]);

// The system command of a press at cursor (screen coordinates) on a window
// whose rectangle is window.
int SizingHitTest(bool use9Matrix, bool resizable, bool maximized, const RECT& window,
                  POINT cursor);

enum class SkinCursor { Window, SizeWE, SizeNS, SizeNWSE, SizeNESW };

// Which cursor the skin shows for the current hit command.
SkinCursor CursorForHit(bool buttonHot, bool use9Matrix, bool resizable, bool maximized,
                        int hitCommand);

// Top-left corner of a button in a window of the given size; negative
// coordinates count from the right or bottom edge.
POINT ButtonPosition(const ButtonDesc& button, int width, int height);

// Index of the first button in list order that contains (cx, cy), window
// coordinates, or -1.
int ButtonHitTest(const ButtonDesc* buttons, int count, int width, int height, int cx, int cy);

// Drawing states of a button.
constexpr int kButtonNormal = -1;
constexpr int kButtonHover = 0;
constexpr int kButtonPressed = 1;

// Where a button's picture for a state comes from.
struct ButtonFace {
    bool fromBackground = false; // the background image's own pixels at the button
    IntPoint source;             // top-left corner in the source image
};
// at is the button's resolved position in the window.
ButtonFace FaceForState(const ButtonDesc& button, int state, bool maximized, bool use9Matrix,
                        POINT at);

// Top-left corner that centres a width x height window over owner (or the
// work area when owner is null), kept inside the work area.
POINT CenterPosition(const RECT* owner, const RECT& work, int width, int height);

// What the skin window has to do after one mouse event on its buttons.
struct ButtonSteps {
    int drawIndex[2] = {-1, -1};
    int drawState[2] = {kButtonNormal, kButtonNormal};
    int drawCount = 0;
    bool capture = false;
    bool releaseCapture = false;
    int runButton = -1;      // index of the button whose command runs, or -1
    bool hitCleared = false; // a button is hot, so a press is not a move or size

    void Draw(int index, int state) {
        if (drawCount < 2) {
            drawIndex[drawCount] = index;
            drawState[drawCount] = state;
            ++drawCount;
        }
    }
};

// The press/move/release/leave machine over the hot button and the press flag.
ButtonSteps ButtonMove(int& hot, bool pressed, int hit);
ButtonSteps ButtonPress(int hot, bool& pressed);
ButtonSteps ButtonRelease(int hot, bool& pressed);
ButtonSteps ButtonLeave(int& hot, bool pressed);
// Another window took the mouse: the press is over and nothing runs.
ButtonSteps ButtonCaptureLost(int hot, bool& pressed);
