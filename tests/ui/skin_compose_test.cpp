// The launcher's own composition against GDI+'s drawing (bench/gdiplus_render,
// the way the launcher drew before): the sample skin and a skin made to catch
// mistakes, pixel by pixel; the compositor's arithmetic in a table.
#include "gdiplus_render.h"
#include "support/demo_skin.h"
#include "ui/compositor.h"
#include "ui/skin_frame.h"
#include "ui/skin_geometry.h"

#include <climits>
#include <cstdlib>

using namespace testing_support;
using namespace Gdiplus::DllExports;

namespace {

// Wine's GDI+ may leave empty the first column of a horizontally stretched
// edge and the first row of a vertically stretched one: those pixels are
// compared on their own.
bool OnHoleLine(const WindowDesc& desc, int w, int h, int x, int y) {
    if (!desc.use9Matrix) return false;
    PieceRect d[8];
    NineGridDestinations(desc.matrix, w, h, d);
    for (int k : {kTop, kBottom})
        if (x == d[k].x && y >= d[k].y && y < d[k].y + d[k].height && d[k].width > 0) return true;
    for (int k : {kLeft, kRight})
        if (y == d[k].y && x >= d[k].x && x < d[k].x + d[k].width && d[k].height > 0) return true;
    return false;
}

// Composes desc at w x h both ways and expects every pixel off the hole lines
// within tolerance levels per channel of GDI+'s.
void ExpectMatchesGdiplus(const WindowDesc& desc, ui::GpImage* background, ui::GpImage* elements,
                          int w, int h, int tolerance, std::vector<uint32_t>* composed = nullptr) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    std::vector<uint32_t> gdiplus;
    ASSERT_TRUE(reference::GdiplusRenderSkin(&desc, background, elements, w, h, gdiplus));
    ui::SkinImage bg, el;
    bg.LoadFrom(background);
    el.LoadFrom(elements);
    ui::PixelImage ours;
    ASSERT_TRUE(ours.Allocate(w, h));
    ComposeSkinWindow(&desc, bg.Pixels(), el.Pixels(), false, nullptr, ours.View());
    int worst = 0, at = 0;
    for (int i = 0; i < w * h; ++i) {
        if (OnHoleLine(desc, w, h, i % w, i / w)) continue;
        for (int k = 0; k < 4; ++k) {
            int e =
                std::abs(int((ours.pixels[i] >> 8 * k) & 0xFF) - int((gdiplus[i] >> 8 * k) & 0xFF));
            if (e > worst) worst = e, at = i;
        }
    }
    EXPECT_LE(worst, tolerance) << "at " << at % w << "," << at / w << ": " << std::hex
                                << ours.pixels[at] << " against " << gdiplus[at];
    if (composed) *composed = ours.pixels;
}

TEST(SkinCompose, SampleSkinMatchesGdiplusWithoutHoles) {
    DemoSkin demo;
    const WindowDesc& game = demo.config.windows[demo.config.FindWindowByName("game")];
    ui::GpImage *start = nullptr, *elements = nullptr;
    ASSERT_EQ(
        GdipLoadImageFromFile(demo.config.windows[demo.config.firstWindow].background, &start), 0);
    ASSERT_EQ(GdipLoadImageFromFile(game.elements, &elements), 0);
    // The nine-grid layout over the start picture stretched, then alone.
    for (ui::GpImage* background : {start, static_cast<ui::GpImage*>(nullptr)}) {
        for (SIZE s : {SIZE{1920, 1080}, SIZE{1000, 640}}) {
            std::vector<uint32_t> ours;
            ExpectMatchesGdiplus(game, background, elements, s.cx, s.cy, 1, &ours);
            if (background || ours.empty()) continue;
            // The frame's edges are even along their length: each first row
            // or column carries the alpha of the one after it.
            for (int i = 0; i < s.cx * s.cy; ++i) {
                int x = i % s.cx, y = i / s.cx;
                if (!OnHoleLine(game, s.cx, s.cy, x, y)) continue;
                int next = x < 24 || x >= s.cx - 24 ? i + s.cx : i + 1;
                ASSERT_EQ(ours[i] >> 24, ours[next] >> 24) << x << "," << y;
            }
            EXPECT_EQ(ours[40 * s.cx + 1], 0xFF3A2A78u); // the frame's colour, opaque
        }
    }
    GdipDisposeImage(start);
    GdipDisposeImage(elements);
}

// A generated straight-alpha image: each piece its own colour, varied by
// position, with alpha cycling through 0, 1, 254 and 255.
ui::GpImage* TestImage(int w, int h, uint32_t seed) {
    static const uint32_t kAlphas[4] = {0, 1, 254, 255};
    Gdiplus::GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t piece = (x / 6) * 7 + (y / 6) + seed; // cells of 6 x 6
            uint32_t rgb = (piece * 0x9E3779B1u) ^ (x * 0x050311u) ^ (y * 0x0B0507u);
            GdipBitmapSetPixel(bitmap, x, y, (kAlphas[(3 * x + y) % 4] << 24) | (rgb & 0xFFFFFF));
        }
    return bitmap;
}

TEST(SkinCompose, SkinMadeToCatchMistakesMatchesGdiplus) {
    win::GdiplusSession gdiplus = win::StartGdiplus();
    ui::GpImage *elements = TestImage(45, 41, 1), *background = TestImage(13, 11, 5);
    WindowDesc desc;
    desc.use9Matrix = true;
    // Pieces of odd sizes; the edges as stored, already inset by one pixel.
    const NineGridRect matrix[8] = {{0, 0, 7, 9},     {8, 0, 17, 5},    {18, 0, 23, 11},
                                    {0, 10, 3, 25},   {20, 12, 23, 25}, {0, 26, 9, 33},
                                    {10, 29, 17, 33}, {18, 26, 23, 33}};
    std::copy(matrix, matrix + 8, desc.matrix);
    desc.buttonCount = 3;
    // From the right; from the bottom, its face half outside the image; over the frame.
    desc.buttons.reset(new ButtonDesc[3]{{{-9, 2}, {7, 5}, {25, 3}, {}, {}, {}, {}, {}, 0},
                                         {{1, -6}, {7, 5}, {41, 38}, {}, {}, {}, {}, {}, 0},
                                         {{4, 3}, {3, 8}, {30, 20}, {}, {}, {}, {}, {}, 0}});
    // Enlarged and reduced, exactly the corners' size, smaller than them.
    // Where translucent pixels are mixed, GDI+ works on straight colours and
    // rounds down three times, the compositor on premultiplied ones: a few
    // levels apart, where a wrong mapping, order or alpha costs tens.
    const int kTolerance = 3;
    for (SIZE s : {SIZE{101, 77}, SIZE{31, 23}, SIZE{12, 16}, SIZE{9, 7}, SIZE{3, 2}}) {
        desc.use9Matrix = true;
        ExpectMatchesGdiplus(desc, background, elements, s.cx, s.cy, kTolerance);
        ExpectMatchesGdiplus(desc, nullptr, elements, s.cx, s.cy, kTolerance);
        // Without nine-grid the normal faces come from the background.
        desc.use9Matrix = false;
        ExpectMatchesGdiplus(desc, background, elements, s.cx, s.cy, kTolerance);
    }
    GdipDisposeImage(elements);
    GdipDisposeImage(background);
}

// The arithmetic of the pieces: premultiplying, source-over, copies and
// stretches clipped to the buffer, the stretch's mapping and its tail.
TEST(Compositor, Table) {
    using ui::BlendPixel;
    using ui::Premultiply;
    EXPECT_EQ(Premultiply(0xFF102030u), 0xFF102030u);
    EXPECT_EQ(Premultiply(0xFEFFFFFFu), 0xFEFEFEFEu);
    EXPECT_EQ(Premultiply(0x01FFFFFFu), 0x01010101u);
    EXPECT_EQ(Premultiply(0x01FE0000u), 0x01000000u);
    EXPECT_EQ(Premultiply(0x00FFFFFFu), 0u);
    EXPECT_EQ(BlendPixel(0xFF204060u, 0u), 0xFF204060u);          // alpha 0 leaves it
    EXPECT_EQ(BlendPixel(0xFF204060u, 0xFF010203u), 0xFF010203u); // alpha 255 replaces
    EXPECT_EQ(BlendPixel(0xFF204060u, 0x01010000u), 0xFF214060u); // alpha 1: 255/255 of it
    EXPECT_EQ(BlendPixel(0xFFFF8000u, 0xFE000000u), 0xFF010100u); // alpha 254: 1/255 left
    EXPECT_EQ(BlendPixel(0x80800000u, 0x80008000u), 0xC0408000u); // half over half

    ui::PixelImage src;
    src.Allocate(2, 1);
    src.pixels = {0xFF0000FFu, 0xFFFF0000u};
    ui::PixelImage dst;
    dst.Allocate(5, 2);
    // Four pixels from two: positions 0, 0.5, 1, 1.5; the last mixes in the
    // transparency past the image.
    ui::StretchBlend(dst.View(), 1, 0, 4, 1, src, 0, 0, 2, 1, true);
    EXPECT_EQ(dst.pixels, (std::vector<uint32_t>{0, 0xFF0000FFu, 0xFF80007Fu, 0xFFFF0000u,
                                                 0x7F7F0000u, 0, 0, 0, 0, 0}));
    // Clipped at every side, with a source block partly outside the image.
    ui::ClearRect(dst.View(), -3, -3, 100, 100);
    ui::BlendRect(dst.View(), -1, 1, src, 0, 0, 4, 4);
    EXPECT_EQ(dst.pixels, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0xFFFF0000u, 0, 0, 0, 0}));
    ui::StretchBlend(dst.View(), -1, 0, 2, 1, src, 0, 0, 2, 1);
    EXPECT_EQ(dst.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(dst.pixels[1], 0u);
    // Blocks configured far outside any image draw nothing and overflow nothing.
    ui::StretchBlend(dst.View(), 0, 0, 5, 2, src, INT_MAX - 1, INT_MIN, 2, 1);
    ui::StretchBlend(dst.View(), -5, 0, INT_MAX, 2, src, 0, 0, INT_MAX, 1);
    ui::BlendRect(dst.View(), INT_MAX, INT_MIN, src, INT_MIN, INT_MAX, INT_MAX, INT_MAX);
    EXPECT_EQ(dst.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(dst.pixels[2], 0u);
    // A colour blended over a rectangle, clipped.
    ui::BlendFill(dst.View(), -1, -1, 2, 9, 0x80000080u);
    EXPECT_EQ(dst.pixels,
              (std::vector<uint32_t>{0xFF7F0080u, 0, 0, 0, 0, 0xFF7F0080u, 0, 0, 0, 0}));
    EXPECT_FALSE(dst.Allocate(ui::kMaxPixelExtent + 1, 1));
    EXPECT_FALSE(dst.Allocate(ui::kMaxPixelExtent, ui::kMaxPixelExtent / 2 + 1));
    EXPECT_TRUE(dst.Allocate(ui::kMaxPixelExtent, 1));
}

} // namespace
