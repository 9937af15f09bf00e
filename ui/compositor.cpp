#include "ui/compositor.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        long long num = (static_cast<long long>(k) - d) * sn;
        long long whole = num / dn, rest = num % dn;
        // The fraction rest / dn as a weight of 0..255, rounded to nearest.
        uint32_t weight = static_cast<uint32_t>((rest * 510 + dn) / (2LL * dn));
        // A position far outside any image reads two transparent pixels.
        long long index = s + whole;
        if (index < -2 || index > kMaxPixelExtent) index = -2;
        taps[static_cast<size_t>(k - first)] = {static_cast<int>(index), weight};
    }
}

#if defined(__SSE2__)
// floor(x / 255) in each 16-bit lane, as DivLanes255.
inline __m128i DivLanes255(__m128i x) {
    x = _mm_add_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), _mm_set1_epi16(1));
    return _mm_srli_epi16(x, 8);
}
#endif

// d[k] = Lerp(a[k], b[k], w) for n pixels; four at a time where the
// processor has SSE2, with the same arithmetic.
void LerpRows(const uint32_t* a, const uint32_t* b, uint32_t w, uint32_t* d, size_t n) {
    if (w == 0) {
        std::memcpy(d, a, n * sizeof(uint32_t));
        return;
    }
    size_t k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i vw = _mm_set1_epi16(static_cast<short>(w));
    const __m128i vv = _mm_set1_epi16(static_cast<short>(255 - w));
    for (; k + 4 <= n; k += 4) {
        __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), vv),
                                   _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), vw));
        __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), vv),
                                   _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), vw));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k),
                         _mm_packus_epi16(DivLanes255(lo), DivLanes255(hi)));
    }
#endif
    for (; k < n; ++k)
        d[k] = Lerp(a[k], b[k], w);
}

// Source row j filtered horizontally into out (transparent outside the
// image). The row is read through a copy with a transparent pixel at each
// end, so that the taps next to the image's border need no test.
void FilterRow(const PixelImage& src, int j, const std::vector<Tap>& cols,
               std::vector<uint32_t>& padded, uint32_t* out) {
    if (j < 0 || j >= src.height) {
        std::fill(out, out + cols.size(), 0u);
        return;
    }
    const int w = src.width;
    padded.resize(static_cast<size_t>(w) + 2);
    padded[0] = padded[static_cast<size_t>(w) + 1] = 0;
    std::memcpy(padded.data() + 1, src.Row(j), sizeof(uint32_t) * static_cast<size_t>(w));
    const uint32_t* row = padded.data() + 1; // row[-1] and row[w] are transparent
    for (size_t k = 0; k < cols.size(); ++k) {
        int i = cols[k].index;
        // Both taps lie past the image only for a block configured beyond it.
        out[k] = i >= -1 && i < w ? Lerp(row[i], row[i + 1], cols[k].weight) : 0;
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
    if (w < 0 || h < 0 || w > kMaxPixelExtent || h > kMaxPixelExtent ||
        static_cast<long long>(w) * h > kMaxImagePixels)
        return false;
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

void BlendFill(const PixelView& dst, int x, int y, int w, int h, uint32_t colour) {
    int x0, x1, y0, y1;
    if (!Clip(x, w, dst.width, x0, x1) || !Clip(y, h, dst.height, y0, y1)) return;
    for (int row = y0; row < y1; ++row) {
        uint32_t* d = dst.Row(row);
        for (int col = x0; col < x1; ++col)
            d[col] = BlendPixel(d[col], colour);
    }
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
    std::vector<uint32_t> buffer(3 * n), padded;
    uint32_t* upper = buffer.data();
    uint32_t* lower = upper + n;
    uint32_t* mixed = lower + n;
    bool filtered = false;
    int upperRow = 0;
    for (int y = y0; y < y1; ++y) {
        const Tap& tap = rows[static_cast<size_t>(y - y0)];
        const int j = tap.index;
        if (!filtered || upperRow != j) {
            if (filtered && upperRow + 1 == j)
                std::swap(upper, lower);
            else
                FilterRow(src, j, cols, padded, upper);
            FilterRow(src, j + 1, cols, padded, lower);
            upperRow = j;
            filtered = true;
        }
        uint32_t* d = dst.Row(y) + x0;
        if (replace) {
            LerpRows(upper, lower, tap.weight, d, n);
        } else {
            LerpRows(upper, lower, tap.weight, mixed, n);
            for (size_t k = 0; k < n; ++k)
                d[k] = BlendPixel(d[k], mixed[k]);
        }
    }
}

} // namespace ui
