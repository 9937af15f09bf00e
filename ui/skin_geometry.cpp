#include "ui/skin_geometry.h"

namespace {

int Width(const NineGridRect& r) {
    return r.right - r.left;
}
int Height(const NineGridRect& r) {
    return r.bottom - r.top;
}
int NotNegative(int v) {
    return v < 0 ? 0 : v;
}

} // namespace

void NineGridDestinations(const NineGridRect m[8], int W, int H, PieceRect out[8]) {
    const NineGridRect& tl = m[kTopLeft];
    const NineGridRect& t = m[kTop];
    const NineGridRect& tr = m[kTopRight];
    const NineGridRect& l = m[kLeft];
    const NineGridRect& r = m[kRight];
    const NineGridRect& bl = m[kBottomLeft];
    const NineGridRect& b = m[kBottom];
    const NineGridRect& br = m[kBottomRight];
    out[kTopLeft] = {0, 0, Width(tl), Height(tl)};
    out[kTop] = {Width(tl), 0, NotNegative(W - Width(tl) - Width(tr)), Height(t)};
    out[kTopRight] = {W - Width(tr), 0, Width(tr), Height(tr)};
    out[kLeft] = {0, Height(tl), Width(l), NotNegative(H - Height(tl) - Height(bl))};
    out[kRight] = {W - Width(r), Height(tr), Width(r), NotNegative(H - Height(tr) - Height(br))};
    out[kBottomLeft] = {0, H - Height(bl), Width(bl), Height(bl)};
    out[kBottom] = {Width(bl), H - Height(b), NotNegative(W - Width(bl) - Width(br)), Height(b)};
    out[kBottomRight] = {W - Width(br), H - Height(br), Width(br), Height(br)};
}

int SizingHitTest(bool use9Matrix, bool resizable, bool maximized, const RECT& w, POINT c) {
    if (!use9Matrix || !resizable) return kHitMove;
    if (maximized) return kHitNone;
    // The left band reaches outside the window as well; the others do not.
    bool left = c.x >= w.left - kSizingBand && c.x < w.left + kSizingBand;
    bool right = c.x >= w.right - kSizingBand && c.x < w.right;
    bool top = c.y >= w.top && c.y < w.top + kSizingBand;
    bool bottom = c.y >= w.bottom - kSizingBand && c.y < w.bottom;
    if (left) return top ? kHitSizeTopLeft : bottom ? kHitSizeBottomLeft : kHitSizeLeft;
    if (right) return top ? kHitSizeTopRight : bottom ? kHitSizeBottomRight : kHitSizeRight;
    return top ? kHitSizeTop : bottom ? kHitSizeBottom : kHitMove;
}

SkinCursor CursorForHit(bool buttonHot, bool use9Matrix, bool resizable, bool maximized,
                        int hitCommand) {
    if (buttonHot || !use9Matrix || !resizable || maximized) return SkinCursor::Window;
    switch (hitCommand) {
    case kHitSizeLeft:
    case kHitSizeRight:
        return SkinCursor::SizeWE;
    case kHitSizeTop:
    case kHitSizeBottom:
        return SkinCursor::SizeNS;
    case kHitSizeTopLeft:
    case kHitSizeBottomRight:
        return SkinCursor::SizeNWSE;
    case kHitSizeTopRight:
    case kHitSizeBottomLeft:
        return SkinCursor::SizeNESW;
    default:
        return SkinCursor::Window;
    }
}

POINT ButtonPosition(const ButtonDesc& button, int width, int height) {
    POINT p = {button.coord.x, button.coord.y};
    if (p.x < 0) p.x += width;
    if (p.y < 0) p.y += height;
    return p;
}

int ButtonHitTest(const ButtonDesc* buttons, int count, int width, int height, int cx, int cy) {
    if (!buttons) return -1;
    for (int k = 0; k < count; ++k) {
        POINT p = ButtonPosition(buttons[k], width, height);
        if (cx >= p.x && cx < p.x + buttons[k].size.cx && cy >= p.y &&
            cy < p.y + buttons[k].size.cy)
            return k;
    }
    return -1;
}

ButtonFace FaceForState(const ButtonDesc& button, int state, bool maximized, bool use9Matrix,
                        POINT at) {
    ButtonFace face;
    if (state == kButtonHover) {
        face.source = maximized ? button.alter_hove : button.hove;
    } else if (state == kButtonPressed) {
        face.source = maximized ? button.alter_pressed : button.pressed;
    } else if (!use9Matrix) {
        face.fromBackground = true;
        face.source = {static_cast<int>(at.x), static_cast<int>(at.y)};
    } else {
        face.source = maximized ? button.alter : button.normal;
    }
    return face;
}

POINT CenterPosition(const RECT* owner, const RECT& work, int width, int height) {
    const RECT& area = owner ? *owner : work;
    // Each halving on its own, truncating toward zero like C division.
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x < work.left)
        x = work.left;
    else if (x + width > work.right)
        x = work.right - width;
    if (y < work.top)
        y = work.top;
    else if (y + height > work.bottom)
        y = work.bottom - height;
    return {x, y};
}

ButtonSteps ButtonMove(int& hot, bool pressed, int hit) {
    ButtonSteps s;
    if (hit != hot) {
        if (hot >= 0) s.Draw(hot, kButtonNormal);
        if (hit >= 0) s.Draw(hit, pressed ? kButtonPressed : kButtonHover);
        hot = hit;
    }
    s.hitCleared = hot >= 0;
    return s;
}

ButtonSteps ButtonPress(int hot, bool& pressed) {
    ButtonSteps s;
    if (hot < 0) return s;
    s.capture = true;
    pressed = true;
    s.Draw(hot, kButtonPressed);
    return s;
}

ButtonSteps ButtonRelease(int hot, bool& pressed) {
    ButtonSteps s;
    if (!pressed) return s;
    s.releaseCapture = true;
    pressed = false;
    if (hot >= 0) {
        s.Draw(hot, kButtonHover);
        s.runButton = hot;
    }
    return s;
}

ButtonSteps ButtonLeave(int& hot, bool pressed) {
    ButtonSteps s;
    if (pressed || hot < 0) return s;
    s.Draw(hot, kButtonNormal);
    hot = -1;
    return s;
}

ButtonSteps ButtonCaptureLost(int hot, bool& pressed) {
    ButtonSteps s;
    if (!pressed) return s;
    pressed = false;
    if (hot >= 0) s.Draw(hot, kButtonHover);
    return s;
}
