// Composition of premultiplied 32-bit BGRA pixels (alpha in the top byte):
// copies, premultiplied source-over blending and bilinear stretching, as plain
// functions over pixel buffers. Every destination rectangle is clipped to its
// buffer; nothing here knows of windows or GDI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

// A writable window onto pixels: rows top-down, stride in pixels.
struct PixelView {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    uint32_t* Row(int y) const { return pixels + stride * y; }
};

// An owned premultiplied image, rows top-down and packed.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    const uint32_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
    PixelView View() { return {pixels.data(), width, height, static_cast<std::ptrdiff_t>(width)}; }
    // Makes a width x height image of transparent pixels; false (and empty)
    // when the size is negative or too large to address.
    bool Allocate(int w, int h);
};

// Largest width or height of an image or surface the compositor takes, and
// the most pixels an image may hold (64 MiB): a larger skin file is refused
// rather than allowed to exhaust memory.
constexpr int kMaxPixelExtent = 16384;
constexpr long long kMaxImagePixels = 1LL << 24;

// Sets the rectangle to fully transparent.
void ClearRect(const PixelView& dst, int x, int y, int w, int h);

// Blends the premultiplied colour over the rectangle, source-over.
void BlendFill(const PixelView& dst, int x, int y, int w, int h, uint32_t colour);

// Blends the w x h block of src at (sx, sy) onto dst at (dx, dy), unscaled,
// with premultiplied source-over. Source pixels outside src are transparent.
void BlendRect(const PixelView& dst, int dx, int dy, const PixelImage& src, int sx, int sy, int w,
               int h);

// Stretches the sw x sh block of src at (sx, sy) over the dw x dh rectangle of
// dst at (dx, dy) with bilinear filtering, blended source-over; with replace
// the result is written as it is (for a first layer over nothing).
//
// GDI+'s default mapping: destination pixel dx + k samples source position
// sx + k * sw / dw, between that position's two neighbours on each axis, read
// from the whole image; so the last pixels of an enlarged block mix in the
// image's pixels just past it, and transparency past the image's border.
// Each axis is filtered with 8-bit weights, horizontally first, and every
// step truncates.
void StretchBlend(const PixelView& dst, int dx, int dy, int dw, int dh, const PixelImage& src,
                  int sx, int sy, int sw, int sh, bool replace = false);

// One premultiplied source-over step: src over dst.
uint32_t BlendPixel(uint32_t dst, uint32_t src);

// The premultiplied form of a straight-alpha pixel.
uint32_t Premultiply(uint32_t argb);

} // namespace ui
