// The GDI+ flat interface, skin images loaded through it, and a small owner
// for its graphics objects.
#pragma once

#include <windows.h>

// WIN32_LEAN_AND_MEAN leaves out the COM types that GDI+ needs.
#include <objidl.h>

// GDI+'s header needs min/max, which NOMINMAX keeps out of windows.h.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include "ui/compositor.h"

namespace ui {

using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpStatus;

// A skin image, loaded by GDI+ and kept as premultiplied pixels; GDI+'s own
// image (and its hold on the file) is let go at once. One that failed to load
// holds nothing, draws nothing and reports 0 x 0.
class SkinImage {
  public:
    SkinImage() = default;
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    // Replaces what is held with the image in path (or nothing on failure).
    void Load(const wchar_t* path);
    // Replaces what is held with GDI+'s image, which stays the caller's.
    void LoadFrom(GpImage* image);
    void Reset() { pixels_ = PixelImage(); }
    const PixelImage& Pixels() const { return pixels_; }
    int Width() const { return pixels_.width; }
    int Height() const { return pixels_.height; }

  private:
    PixelImage pixels_;
};

// A graphics object on a device context; drawing statuses are kept, not acted on.
class Graphics {
  public:
    explicit Graphics(HDC dc) {
        if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics_) != Gdiplus::Ok)
            graphics_ = nullptr;
    }
    ~Graphics() {
        if (graphics_) Gdiplus::DllExports::GdipDeleteGraphics(graphics_);
    }
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
    GpGraphics* Get() const { return graphics_; }
    void Record(GpStatus status) { lastStatus_ = status; }
    GpStatus LastStatus() const { return lastStatus_; }

  private:
    GpGraphics* graphics_ = nullptr;
    GpStatus lastStatus_ = Gdiplus::Ok;
};

} // namespace ui
