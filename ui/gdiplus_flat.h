// The GDI+ flat interface and small owners for its images and graphics.
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

namespace ui {

using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpStatus;

// A skin image. One that failed to load holds nothing, draws nothing and
// reports 0 x 0.
class SkinImage {
  public:
    SkinImage() = default;
    ~SkinImage() { Reset(); }
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    // Replaces what is held with the image in path (or nothing on failure).
    void Load(const wchar_t* path) {
        Reset();
        GpImage* image = nullptr;
        if (path && Gdiplus::DllExports::GdipLoadImageFromFile(path, &image) == Gdiplus::Ok)
            image_ = image;
        else if (image)
            Gdiplus::DllExports::GdipDisposeImage(image);
    }
    void Reset() {
        if (image_) Gdiplus::DllExports::GdipDisposeImage(image_);
        image_ = nullptr;
    }
    GpImage* Get() const { return image_; }
    int Width() const {
        UINT w = 0;
        if (image_) Gdiplus::DllExports::GdipGetImageWidth(image_, &w);
        return static_cast<int>(w);
    }
    int Height() const {
        UINT h = 0;
        if (image_) Gdiplus::DllExports::GdipGetImageHeight(image_, &h);
        return static_cast<int>(h);
    }

  private:
    GpImage* image_ = nullptr;
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
