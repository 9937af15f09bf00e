#include "gdiplus_render.h"

#include "core/static_config.h"
#include "ui/skin_geometry.h"
#include "win/scoped.h"

#include <cstring>

namespace reference {

using namespace Gdiplus::DllExports;

void GdiplusDrawSkin(HDC dc, const WindowDesc* desc, ui::GpImage* background, ui::GpImage* elements,
                     int width, int height) {
    ui::Graphics graphics(dc);
    if (!graphics.Get()) return;
    ui::GpGraphics* g = graphics.Get();
    if (background) GdipDrawImageRectI(g, background, 0, 0, width, height);
    if (desc && desc->use9Matrix && elements) {
        PieceRect dest[8];
        NineGridDestinations(desc->matrix, width, height, dest);
        for (int k = 0; k < 8; ++k) {
            const NineGridRect& s = desc->matrix[k];
            const PieceRect& d = dest[k];
            int sw = s.right - s.left, sh = s.bottom - s.top;
            if (d.width <= 0 || d.height <= 0 || sw <= 0 || sh <= 0) continue;
            if (k == kTopLeft || k == kTopRight || k == kBottomLeft || k == kBottomRight)
                GdipDrawImagePointRectI(g, elements, d.x, d.y, s.left, s.top, sw, sh,
                                        Gdiplus::UnitPixel);
            else
                GdipDrawImageRectRectI(g, elements, d.x, d.y, d.width, d.height, s.left, s.top, sw,
                                       sh, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
        }
    }
    for (int k = 0; desc && k < desc->buttonCount; ++k) {
        const ButtonDesc& b = desc->buttons[k];
        POINT at = ButtonPosition(b, width, height);
        GdipSetClipRectI(g, at.x, at.y, b.size.cx, b.size.cy, Gdiplus::CombineModeIntersect);
        GdipGraphicsClear(g, 0x00000000);
        GdipResetClip(g);
        ButtonFace face = FaceForState(b, kButtonNormal, false, desc->use9Matrix, at);
        ui::GpImage* source = face.fromBackground ? background : elements;
        if (source && b.size.cx > 0 && b.size.cy > 0)
            GdipDrawImagePointRectI(g, source, at.x, at.y, face.source.x, face.source.y, b.size.cx,
                                    b.size.cy, Gdiplus::UnitPixel);
    }
    GdipFlush(g, Gdiplus::FlushIntentionSync);
}

bool GdiplusRenderSkin(const WindowDesc* desc, ui::GpImage* background, ui::GpImage* elements,
                       int width, int height, std::vector<uint32_t>& pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as the launcher had it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    win::UniqueGdiObject dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !dib || !bits) return false;
    const size_t n = static_cast<size_t>(width) * height;
    std::memset(bits, 0, n * 4);
    {
        win::SelectObjectScope select(dc.Get(), dib.Get());
        GdiplusDrawSkin(dc.Get(), desc, background, elements, width, height);
    }
    GdiFlush();
    pixels.resize(n);
    const auto* rows = static_cast<const uint32_t*>(bits);
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * width],
                    rows + static_cast<size_t>(height - 1 - y) * width, width * 4u);
    return true;
}

} // namespace reference
