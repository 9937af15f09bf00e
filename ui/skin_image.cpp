#include "ui/gdiplus_flat.h"

namespace ui {

using namespace Gdiplus::DllExports;

void SkinImage::Load(const wchar_t* path) {
    Reset();
    GpImage* image = nullptr;
    if (!path || GdipLoadImageFromFile(path, &image) != Gdiplus::Ok) image = nullptr;
    if (!image) return;
    LoadFrom(image);
    GdipDisposeImage(image);
}

void SkinImage::LoadFrom(GpImage* image) {
    Reset();
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    UINT w = 0, h = 0;
    if (!image || GdipGetImageType(image, &type) != Gdiplus::Ok ||
        type != Gdiplus::ImageTypeBitmap || GdipGetImageWidth(image, &w) != Gdiplus::Ok ||
        GdipGetImageHeight(image, &h) != Gdiplus::Ok || w == 0 || h == 0 || w > kMaxPixelExtent ||
        h > kMaxPixelExtent)
        return;
    PixelImage pixels;
    if (!pixels.Allocate(static_cast<int>(w), static_cast<int>(h))) return;
    // Read as straight alpha and premultiplied here, so that every image is
    // converted by the same arithmetic whatever its file format.
    Gdiplus::BitmapData data = {};
    data.Width = w;
    data.Height = h;
    data.Stride = static_cast<INT>(w * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = pixels.pixels.data();
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    if (GdipBitmapLockBits(bitmap, &rect,
                           Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                           PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return;
    GdipBitmapUnlockBits(bitmap, &data);
    for (uint32_t& p : pixels.pixels)
        p = Premultiply(p);
    pixels_ = std::move(pixels);
}

} // namespace ui
