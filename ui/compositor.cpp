#include "ui/compositor.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

constexpr uint32_t kLanes = 0x00FF00FF;

// floor(x / 255) in each 16-bit lane, exact for lanes up to 65534.
inline uint32_t DivLanes255(uint32_t x) {
    return ((x + ((x >> 8) & kLanes) + 0x00010001) >> 8) & kLanes;
}

// round(x / 255) in each 16-bit lane, exact for lanes up to 65025.
inline uint32_t RoundLanes255(uint32_t x) {
    x += 0x00800080;
    return ((x + ((x >> 8) & kLanes)) >> 8) & kLanes;
}

// (a * (255 - w) + b * w) / 255 per channel, truncated; w in 0..255.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t w) {
    if (w == 0) return a;
    uint32_t v = 255 - w;
    uint32_t rb = (a & kLanes) * v + (b & kLanes) * w;
    uint32_t ag = ((a >> 8) & kLanes) * v + ((b >> 8) & kLanes) * w;
    return DivLanes255(rb) | (DivLanes255(ag) << 8);
}

// One filter tap along an axis: the first of two neighbours and the weight
// of the second.
struct Tap {
    int index;
    uint32_t weight;
};

// Taps for destination pixels first..last-1 of an extent dn placed at d,
// sampling the block s..s+sn: destination pixel d + k reads source position
// s + k * sn / dn, worked out exactly in integers so that the first pixel
// reads the block's first pixel and never a position just short of it.
void MakeTaps(int d, int dn, int s, int sn, int first, int last, std::vector<Tap>& taps) {
    taps.resize(static_cast<size_t>(last - first));
    for (int k = first; k < last; ++k) {
        long long num = static_cast<long long>(k - d) * sn;
        long long whole = num / dn, rest = num % dn;
        // The fraction rest / dn as a weight of 0..255, rounded to nearest.
        uint32_t weight = static_cast<uint32_t>((rest * 510 + dn) / (2LL * dn));
        taps[static_cast<size_t>(k - first)] = {static_cast<int>(s + whole), weight};
    }
}

inline uint32_t At(const PixelImage& src, const uint32_t* row, int i) {
    return i >= 0 && i < src.width ? row[i] : 0;
}

// Source row j filtered horizontally into out (transparent outside the image).
void FilterRow(const PixelImage& src, int j, const std::vector<Tap>& cols, uint32_t* out) {
    if (j < 0 || j >= src.height) {
        std::fill(out, out + cols.size(), 0u);
        return;
    }
    const uint32_t* row = src.Row(j);
    for (size_t k = 0; k < cols.size(); ++k) {
        int i = cols[k].index;
        out[k] = Lerp(At(src, row, i), At(src, row, i + 1), cols[k].weight);
    }
}

// The part of [at, at + n) inside [0, limit), computed wide so that no
// configured coordinate can overflow.
bool Clip(int at, int n, int limit, int& first, int& last) {
    long long a = std::max<long long>(at, 0);
    long long b = std::min<long long>(static_cast<long long>(at) + n, limit);
    if (a >= b) return false;
    first = static_cast<int>(a);
    last = static_cast<int>(b);
    return true;
}

} // namespace

bool PixelImage::Allocate(int w, int h) {
    pixels.clear();
    width = height = 0;
    if (w < 0 || h < 0 || w > kMaxPixelExtent || h > kMaxPixelExtent) return false;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0u);
    width = w;
    height = h;
    return true;
}

uint32_t BlendPixel(uint32_t dst, uint32_t src) {
    uint32_t inv = 255 - (src >> 24);
    if (inv == 0) return src;
    if (inv == 255) return dst + src;
    uint32_t rb = RoundLanes255((dst & kLanes) * inv);
    uint32_t ag = RoundLanes255(((dst >> 8) & kLanes) * inv);
    return src + (rb | (ag << 8));
}

uint32_t Premultiply(uint32_t argb) {
    uint32_t a = argb >> 24;
    if (a == 255) return argb;
    uint32_t rb = DivLanes255((argb & kLanes) * a);
    uint32_t g = DivLanes255(((argb >> 8) & 0xFF) * a);
    return (a << 24) | rb | (g << 8);
}

void ClearRect(const PixelView& dst, int x, int y, int w, int h) {
    int x0, x1, y0, y1;
    if (!Clip(x, w, dst.width, x0, x1) || !Clip(y, h, dst.height, y0, y1)) return;
    for (int row = y0; row < y1; ++row)
        std::memset(dst.Row(row) + x0, 0, sizeof(uint32_t) * static_cast<size_t>(x1 - x0));
}

void BlendRect(const PixelView& dst, int dx, int dy, const PixelImage& src, int sx, int sy, int w,
               int h) {
    int x0, x1, y0, y1;
    if (w <= 0 || h <= 0 || !Clip(dx, w, dst.width, x0, x1) || !Clip(dy, h, dst.height, y0, y1))
        return;
    // The part of the block that lies inside the source; the rest is
    // transparent and changes nothing.
    long long ox = static_cast<long long>(sx) - dx, oy = static_cast<long long>(sy) - dy;
    x0 = static_cast<int>(std::max<long long>(x0, -ox));
    x1 = static_cast<int>(std::min<long long>(x1, src.width - ox));
    y0 = static_cast<int>(std::max<long long>(y0, -oy));
    y1 = static_cast<int>(std::min<long long>(y1, src.height - oy));
    for (int y = y0; y < y1; ++y) {
        uint32_t* d = dst.Row(y);
        const uint32_t* s = src.Row(static_cast<int>(y + oy)) + ox;
        for (int x = x0; x < x1; ++x)
            d[x] = BlendPixel(d[x], s[x]);
    }
}

void StretchBlend(const PixelView& dst, int dx, int dy, int dw, int dh, const PixelImage& src,
                  int sx, int sy, int sw, int sh, bool replace) {
    int x0, x1, y0, y1;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || src.Empty() ||
        !Clip(dx, dw, dst.width, x0, x1) || !Clip(dy, dh, dst.height, y0, y1))
        return;
    std::vector<Tap> cols, rows;
    MakeTaps(dx, dw, sx, sw, x0, x1, cols);
    MakeTaps(dy, dh, sy, sh, y0, y1, rows);

    // Two horizontally filtered source rows, reused while the rows of the
    // destination fall between the same pair.
    const size_t n = cols.size();
    std::vector<uint32_t> buffer(2 * n);
    uint32_t* upper = buffer.data();
    uint32_t* lower = upper + n;
    int upperRow = -2, lowerRow = -2; // -2: nothing filtered yet (-1 is a real row)
    bool filtered = false;
    for (int y = y0; y < y1; ++y) {
        const Tap& tap = rows[static_cast<size_t>(y - y0)];
        const int j = tap.index;
        if (!filtered || upperRow != j) {
            if (filtered && lowerRow == j) {
                std::swap(upper, lower);
                upperRow = j;
            } else {
                FilterRow(src, j, cols, upper);
                upperRow = j;
            }
            FilterRow(src, j + 1, cols, lower);
            lowerRow = j + 1;
            filtered = true;
        }
        uint32_t* d = dst.Row(y) + x0;
        const uint32_t w = tap.weight;
        if (replace) {
            for (size_t k = 0; k < n; ++k)
                d[k] = Lerp(upper[k], lower[k], w);
        } else {
            for (size_t k = 0; k < n; ++k)
                d[k] = BlendPixel(d[k], Lerp(upper[k], lower[k], w));
        }
    }
}

} // namespace ui
