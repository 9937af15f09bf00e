#include "ui/skin_frame.h"

#include "core/static_config.h"
#include "ui/skin_geometry.h"

namespace ui {

namespace {

void ComposeNineGrid(const WindowDesc& desc, const PixelImage& elements, const PixelView& out) {
    // A piece far outside any image draws nothing, and every sum below
    // stays well inside an int.
    for (const NineGridRect& r : desc.matrix)
        for (int v : {r.left, r.top, r.right, r.bottom})
            if (v < -kMaxPixelExtent || v > 2 * kMaxPixelExtent) return;
    PieceRect dest[8];
    NineGridDestinations(desc.matrix, out.width, out.height, dest);
    for (int k = 0; k < 8; ++k) {
        const NineGridRect& src = desc.matrix[k];
        const PieceRect& d = dest[k];
        int sw = src.right - src.left;
        int sh = src.bottom - src.top;
        if (d.width <= 0 || d.height <= 0 || sw <= 0 || sh <= 0) continue;
        bool corner = k == kTopLeft || k == kTopRight || k == kBottomLeft || k == kBottomRight;
        if (corner)
            BlendRect(out, d.x, d.y, elements, src.left, src.top, sw, sh);
        else
            StretchBlend(out, d.x, d.y, d.width, d.height, elements, src.left, src.top, sw, sh);
    }
}

} // namespace

void ComposeSkinWindow(const WindowDesc* desc, const PixelImage& background,
                       const PixelImage& elements, bool maximized, const int* buttonStates,
                       const PixelView& out) {
    if (!out.pixels || out.width <= 0 || out.height <= 0) return;
    if (background.Empty())
        ClearRect(out, 0, 0, out.width, out.height);
    else
        StretchBlend(out, 0, 0, out.width, out.height, background, 0, 0, background.width,
                     background.height, true);
    if (!desc) return;
    if (desc->use9Matrix && !elements.Empty()) ComposeNineGrid(*desc, elements, out);
    for (int k = 0; k < desc->buttonCount; ++k) {
        ComposeSkinButton(*desc, background, elements, maximized, k,
                          buttonStates ? buttonStates[k] : kButtonNormal, out);
    }
}

void ComposeSkinButton(const WindowDesc& desc, const PixelImage& background,
                       const PixelImage& elements, bool maximized, int i, int state,
                       const PixelView& out) {
    if (!out.pixels || i < 0 || i >= desc.buttonCount) return;
    const ButtonDesc& button = desc.buttons[i];
    POINT at = ButtonPosition(button, out.width, out.height);
    // Whatever the background or the frame drew there is erased first.
    ClearRect(out, at.x, at.y, button.size.cx, button.size.cy);
    ButtonFace face = FaceForState(button, state, maximized, desc.use9Matrix, at);
    BlendRect(out, at.x, at.y, face.fromBackground ? background : elements, face.source.x,
              face.source.y, button.size.cx, button.size.cy);
}

} // namespace ui
