// A skin window's picture composed into a pixel buffer, without any window:
// what the skin window pushes, and what a preview of a skin can draw.
#pragma once

#include "ui/compositor.h"

struct WindowDesc;

namespace ui {

// Composes the whole picture of a window of layout desc at out's size: the
// background stretched over it (transparent where there is none), the
// nine-grid when desc has one, then every button in buttonStates[k]
// (kButtonNormal, kButtonHover or kButtonPressed; all normal when null).
// With a null desc only the background is drawn, as for the loading picture.
// The images are premultiplied (SkinImage::Pixels()); either may be empty.
void ComposeSkinWindow(const WindowDesc* desc, const PixelImage& background,
                       const PixelImage& elements, bool maximized, const int* buttonStates,
                       const PixelView& out);

// Redraws button i alone in one state: its rectangle is cleared and the
// state's face copied in, unscaled.
void ComposeSkinButton(const WindowDesc& desc, const PixelImage& background,
                       const PixelImage& elements, bool maximized, int i, int state,
                       const PixelView& out);

} // namespace ui
