// lumora_check --preview on the sample skin: every picture it writes is the
// frame the launcher's own windows draw, pixel for pixel, and the index
// shows each picture with its name.
#include "support/demo_skin.h"
#include "support/launcher_dir.h"
#include "ui/gdiplus_flat.h"
#include "ui/skin_geometry.h"

#include <cstdint>

using namespace testing_support;

namespace {

// How many pixels of the PNG at path, multiplied by their alpha again,
// differ from the window's surface; -1 when the sizes differ.
int Differences(const ui::LayeredWindow& window, const std::wstring& path) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok)
        return -1;
    UINT w = 0, h = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &w);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &h);
    int differ = -1;
    Gdiplus::BitmapData data = {};
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    if (int(w) == window.SurfaceWidth() && int(h) == window.SurfaceHeight() &&
        Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead,
                                                PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        differ = 0;
        for (UINT y = 0; y < h; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(
                static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride);
            for (UINT x = 0; x < w; ++x) {
                const uint32_t p = row[x], a = p >> 24;
                uint32_t premultiplied = a << 24;
                for (int shift = 0; shift < 24; shift += 8)
                    premultiplied |= (((p >> shift) & 0xFF) * a + 127) / 255 << shift;
                differ += premultiplied != window.PixelAt(int(x), int(y));
            }
        }
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return differ;
}

} // namespace

TEST(Preview, PicturesAreTheLaunchersOwnFrames) {
    DemoSkin demo;
    const std::wstring out = demo.dir / L"out";
    std::string index;
    ASSERT_EQ(RunProgram(BinaryPath(CHECK_EXE), L"--preview out", demo.dir.Path(), 60000, &index),
              0)
        << index;
    index = FileText(out + L"\\index.html");
    for (const char* part :
         {"\"1-start.png\"", "\"1-start-hover.png\"", "\"2-game.png\"", "\"2-game-hover.png\"",
          "\"loading.png\"", "window &quot;game&quot; (1300 x 768)", "loading picture (320 x 120)"})
        EXPECT_NE(index.find(part), std::string::npos) << part << "\n" << index;

    // The launcher's windows, driven as its main window drives them.
    auto hover = [&]() {
        for (int k = 0; k < demo.config.windows[demo.skin.WindowIndex()].buttonCount; ++k)
            demo.skin.DrawButton(k, kButtonHover);
    };
    EXPECT_EQ(Differences(demo.skin, out + L"\\1-start.png"), 0);
    hover();
    EXPECT_EQ(Differences(demo.skin, out + L"\\1-start-hover.png"), 0);
    demo.skin.SetWindowIndex(demo.config.FindWindowByName("game"));
    demo.skin.Render(1300, 768); // the layout's own size
    EXPECT_EQ(Differences(demo.skin, out + L"\\2-game.png"), 0);
    hover();
    EXPECT_EQ(Differences(demo.skin, out + L"\\2-game-hover.png"), 0);
    EXPECT_GT(Differences(demo.skin, out + L"\\2-game.png"), 0); // hovering shows
    ui::LoadingWindow loading(demo.module);
    loading.SetBackgroundImage(demo.config.loading);
    ASSERT_NE(loading.Create(demo.owner.Get(), L"loading"), nullptr);
    loading.Render(0, 0);
    EXPECT_EQ(Differences(loading, out + L"\\loading.png"), 0);
}
