// Time of one Render of a nine-grid skin window with a stretched background,
// composed by the launcher, against a bare UpdateLayeredWindow of a filled
// DIB of the same size and against the same picture drawn by GDI+ alone (as
// the launcher drew it before), all in one run: at 1920 x 1080 and 1000 x 640,
// at a fixed size and with the size changing every frame. Prints medians in
// milliseconds; the last line gives the new Render over the bare push (the
// worse of fixed and sizing) for both sizes.
// Usage: render_bench [rounds]
//
// Last run (wine64, 2-core VM shared with other jobs, 41 rounds):
//   1920x1080 fixed : push 19.32 ms, GDI+ Render 137.53 ms (7.1x), Render 21.98 ms (1.14x)
//   1920x1080 sizing: push 30.49 ms, GDI+ Render 155.15 ms (5.1x), Render 32.62 ms (1.07x)
//   1920x1080 compose alone: 4.73 ms
//   1000x640 fixed : push 10.18 ms, GDI+ Render 79.81 ms (7.8x), Render 13.05 ms (1.28x)
//   1000x640 sizing: push 14.44 ms, GDI+ Render 74.70 ms (5.2x), Render 15.81 ms (1.10x)
//   1000x640 compose alone: 1.92 ms
//   render/push: 1920x1080 1.14, 1000x640 1.28
// Run it on a quiet machine: the push's own time varies with the load.
#include "core/app_module.h"
#include "core/static_config.h"
#include "gdiplus_render.h"
#include "support/test_support.h"
#include "ui/skin_frame.h"
#include "ui/skin_window.h"
#include "win/scoped.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <vector>

using namespace testing_support;

namespace {

double Now() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Times each frame function once per round, in turn, so that the machine's
// changing load falls on all of them alike; returns their medians. When
// sizing, every frame is a few pixels smaller or larger than the one before.
// A function with a positive every runs only on every that many rounds.
struct Frame {
    std::function<void(int, int)> draw;
    int every;
    std::vector<double> times;
};
void TimeRounds(int rounds, int width, int height, bool sizing, std::vector<Frame>& frames) {
    for (int i = 0; i < rounds; ++i) {
        int shrink = sizing ? (i % 2 ? 3 : 0) + (i % 7) : 0;
        // The order turns every round: a push leaves the display server work
        // that the next frame may wait for.
        for (size_t n = 0; n < frames.size(); ++n) {
            Frame& f = frames[(i + n) % frames.size()];
            if (f.every > 1 && i % f.every) continue;
            double t0 = Now();
            f.draw(width - shrink, height - shrink);
            f.times.push_back(Now() - t0);
        }
    }
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

HWND PlainLayeredWindow(int width, int height) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RenderBenchPlain";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"bench", WS_POPUP, 0, 0, width,
                                height, nullptr, nullptr, wc.hInstance, nullptr);
    if (hwnd) ShowWindow(hwnd, SW_SHOWNA);
    return hwnd;
}

HBITMAP NewDib(int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void Push(HWND hwnd, HDC screen, HDC memory, int width, int height) {
    POINT dest = {0, 0}, source = {0, 0};
    SIZE size = {width, height};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(hwnd, screen, &dest, &size, memory, &source, 0, &blend, ULW_ALPHA);
}

struct Figures {
    double push[2], reference[2], render[2]; // fixed, sizing
    double compose;                          // composing alone, into memory
};

Figures Measure(int rounds, int width, int height, StaticConfig& config, int game) {
    Figures f = {};
    const WindowDesc& desc = config.windows[game];

    // The bare push: one DIB filled before timing.
    HWND plain = PlainLayeredWindow(width, height);
    win::WindowDc screen(plain);
    win::UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    void* bits = nullptr;
    win::UniqueGdiObject dib(NewDib(width, height, &bits));
    if (!plain || !memory || !dib || !bits) return f;
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<size_t>(width) * height, 0x80402060u);
    win::SelectObjectScope select(memory.Get(), dib.Get());
    auto push = [&](int w, int h) { Push(plain, screen.Get(), memory.Get(), w, h); };

    // GDI+ as the launcher had it: a new context and DIB every frame.
    ui::GpImage* background = nullptr;
    ui::GpImage* elements = nullptr;
    Gdiplus::DllExports::GdipLoadImageFromFile(desc.background, &background);
    Gdiplus::DllExports::GdipLoadImageFromFile(desc.elements, &elements);
    HWND other = PlainLayeredWindow(width, height);
    auto gdiplus = [&](int w, int h) {
        win::UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
        void* frameBits = nullptr;
        win::UniqueGdiObject frame(NewDib(w, h, &frameBits));
        if (!dc || !frame || !frameBits) return;
        std::memset(frameBits, 0, static_cast<size_t>(w) * h * 4);
        win::SelectObjectScope selectFrame(dc.Get(), frame.Get());
        reference::GdiplusDrawSkin(dc.Get(), &desc, background, elements, w, h);
        Push(other, screen.Get(), dc.Get(), w, h);
    };

    AppModule module;
    ui::SkinWindow skin(config, module);
    skin.SetBackgroundImage(config.windows[config.firstWindow].background);
    if (skin.Create(nullptr, L"bench")) {
        skin.SetWindowIndex(game);
        MoveWindow(skin.Hwnd(), 0, 0, width, height, FALSE);
        ShowWindow(skin.Hwnd(), SW_SHOWNA);
        auto render = [&](int w, int h) { skin.Render(w, h); };
        for (int s = 0; s < 2; ++s) {
            // GDI+ takes a few hundred milliseconds a frame: a third of the rounds.
            std::vector<Frame> frames = {{push, 1, {}}, {gdiplus, 3, {}}, {render, 1, {}}};
            TimeRounds(rounds, width, height, s, frames);
            f.push[s] = Median(frames[0].times);
            f.reference[s] = Median(frames[1].times);
            f.render[s] = Median(frames[2].times);
        }
    }
    if (background) Gdiplus::DllExports::GdipDisposeImage(background);
    if (elements) Gdiplus::DllExports::GdipDisposeImage(elements);
    DestroyWindow(other);
    DestroyWindow(plain);

    ui::SkinImage bg, el;
    bg.Load(desc.background);
    el.Load(desc.elements);
    ui::PixelImage frame;
    frame.Allocate(width, height);
    std::vector<Frame> alone = {{[&](int, int) {
                                     ui::ComposeSkinWindow(&desc, bg.Pixels(), el.Pixels(), false,
                                                           nullptr, frame.View());
                                 },
                                 1,
                                 {}}};
    TimeRounds(rounds, width, height, false, alone);
    f.compose = Median(alone[0].times);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 31;
    if (rounds < 1) rounds = 1;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    TempDir dir;
    CopyTree(SourcePath("demo"), dir.Path());
    SetCurrentDirectoryW(dir.Path().c_str());
    StaticConfig config;
    config.LoadStaticConfigFrom(dir.Path().c_str(), L"Lumora 2", L"", L"", 2,
                                []() -> const wchar_t* { return nullptr; });
    int game = config.FindWindowByName("game");
    int start = config.FindWindowByName("start");
    if (game < 0 || start < 0) return 1;
    // The nine-grid layout gets the start picture as a background to stretch.
    WindowDesc& desc = config.windows[game];
    wcsncpy(desc.background, config.windows[start].background, 259);
    desc.background[259] = L'\0';

    const int sizes[2][2] = {{1920, 1080}, {1000, 640}};
    double ratio[2] = {};
    std::printf("rounds %d (GDI+ every third)\n", rounds);
    for (int k = 0; k < 2; ++k) {
        Figures f = Measure(rounds, sizes[k][0], sizes[k][1], config, game);
        for (int s = 0; s < 2; ++s) {
            std::printf("%dx%d %s: push %.2f ms, GDI+ Render %.2f ms (%.1fx), Render %.2f ms "
                        "(%.2fx)\n",
                        sizes[k][0], sizes[k][1], s ? "sizing" : "fixed ", f.push[s],
                        f.reference[s], f.reference[s] / f.push[s], f.render[s],
                        f.render[s] / f.push[s]);
            ratio[k] = std::max(ratio[k], f.render[s] / f.push[s]);
        }
        std::printf("%dx%d compose alone: %.2f ms\n", sizes[k][0], sizes[k][1], f.compose);
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    Gdiplus::GdiplusShutdown(token);
    std::printf("render/push: 1920x1080 %.2f, 1000x640 %.2f\n", ratio[0], ratio[1]);
    return 0;
}
