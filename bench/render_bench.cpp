// Time of one Render of a 1920 x 1080 nine-grid skin window with a stretched
// background, against a bare UpdateLayeredWindow of a pre-filled DIB of the
// same size, both measured in the same run. Prints medians in milliseconds.
// Usage: render_bench [rounds]
#include "core/app_module.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "ui/gdiplus_flat.h"
#include "ui/skin_window.h"
#include "win/scoped.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

using namespace testing_support;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

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

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

// The bare push: a layered window and a DIB filled once before timing.
double BarePush(int rounds) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RenderBenchBare";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"bare", WS_POPUP, 0, 0, kWidth,
                                kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return -1;
    win::WindowDc screen(hwnd);
    win::UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueGdiObject dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !dib || !bits) {
        DestroyWindow(hwnd);
        return -1;
    }
    auto* pixels = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(kWidth) * kHeight; ++i)
        pixels[i] = 0x80402060u; // half-transparent violet, premultiplied
    win::SelectObjectScope select(memory.Get(), dib.Get());
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        POINT dest = {0, 0}, source = {0, 0};
        SIZE size = {kWidth, kHeight};
        double t0 = Now();
        UpdateLayeredWindow(hwnd, screen.Get(), &dest, &size, memory.Get(), &source, 0, &blend,
                            ULW_ALPHA);
        times.push_back(Now() - t0);
    }
    DestroyWindow(hwnd);
    return Median(times);
}

double SkinRender(int rounds) {
    TempDir dir;
    CreateDirectoryW((dir / L"skin").c_str(), nullptr);
    CopyFileW(SourcePath("demo/static.json").c_str(), (dir / L"static.json").c_str(), FALSE);
    for (const wchar_t* name : {L"elements.png", L"start.png", L"lumora.cur"}) {
        CopyFileW((SourcePath("demo/skin") + L"\\" + name).c_str(),
                  (dir / (std::wstring(L"skin\\") + name)).c_str(), FALSE);
    }
    SetCurrentDirectoryW(dir.Path().c_str());
    StaticConfig config;
    config.LoadStaticConfigFrom(dir.Path().c_str(), L"Lumora 2", L"", L"", 2,
                                []() -> const wchar_t* { return nullptr; });
    int game = config.FindWindowByName("game");
    int start = config.FindWindowByName("start");
    if (game < 0 || start < 0) return -1;
    // The nine-grid layout gets the start picture as a background to stretch.
    WindowDesc& desc = config.windows[game];
    wcsncpy(desc.background, config.windows[start].background, 259);
    desc.background[259] = L'\0';

    double result = -1;
    {
        AppModule module;
        ui::SkinWindow skin(config, module);
        skin.SetBackgroundImage(config.windows[start].background);
        if (skin.Create(nullptr, L"bench")) {
            skin.SetWindowIndex(game);
            MoveWindow(skin.Hwnd(), 0, 0, kWidth, kHeight, FALSE);
            ShowWindow(skin.Hwnd(), SW_SHOWNA);
            std::vector<double> times;
            for (int i = 0; i < rounds; ++i) {
                double t0 = Now();
                skin.Render(kWidth, kHeight);
                times.push_back(Now() - t0);
            }
            result = Median(times);
        }
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 31;
    if (rounds < 1) rounds = 1;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    double bare = BarePush(rounds);
    double render = SkinRender(rounds);
    Gdiplus::GdiplusShutdown(token);
    std::printf("rounds %d\n", rounds);
    std::printf("bare UpdateLayeredWindow 1920x1080: median %.2f ms\n", bare);
    std::printf("Render 1920x1080 nine-grid with background: median %.2f ms\n", render);
    if (bare > 0) std::printf("ratio %.1f\n", render / bare);
    return render >= 0 && bare >= 0 ? 0 : 1;
}
