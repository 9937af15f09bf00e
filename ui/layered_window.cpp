#include "ui/layered_window.h"

#include "core/app_module.h"

#include <cstring>

namespace ui {

LayeredWindow::~LayeredWindow() = default;

void LayeredWindow::OnCreateCommon() {
    HWND hwnd = Hwnd();
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (style & WS_CAPTION) SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~LONG_PTR(WS_CAPTION));
    LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED)) SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);

    user32_.Reset(LoadLibraryW(L"User32.DLL"));
    updateFunction_ = nullptr;
    if (user32_) {
        updateFunction_ = reinterpret_cast<UpdateLayeredWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(user32_.Get(), "UpdateLayeredWindow")));
    }
    blend_ = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

    if (MessageLoop* loop = module_.GetMessageLoop()) loop->AddMessageFilter(this);
}

void LayeredWindow::SetBackgroundImage(const wchar_t* path) {
    backgroundImage_.Load(path);
    width_ = backgroundImage_.Width();
    height_ = backgroundImage_.Height();
}

void LayeredWindow::Render(int width, int height) {
    if (width) width_ = width;
    if (height) height_ = height;
    HWND hwnd = Hwnd();
    win::WindowDc screen(hwnd);

    bits_ = nullptr;
    dibWidth_ = dibHeight_ = 0;
    dib_.Reset();
    memoryDc_.Reset(CreateCompatibleDC(screen.Get()));
    if (!memoryDc_ || width_ <= 0 || height_ <= 0) return;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_; // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Computed wide, so that no size overflows into a short buffer.
    size_t bytes =
        ((static_cast<size_t>(width_) * 32 + 31) / 32) * 4 * static_cast<size_t>(height_);
    if (bytes > 0x7FFFFFFF) return;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(bytes);
    void* bits = nullptr;
    dib_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib_ || !bits) {
        dib_.Reset();
        return;
    }
    bits_ = static_cast<uint32_t*>(bits);
    dibWidth_ = width_;
    dibHeight_ = height_;
    std::memset(bits, 0, bytes);

    win::SelectObjectScope select(memoryDc_.Get(), dib_.Get());
    Graphics graphics(memoryDc_.Get());
    if (graphics.Get()) {
        if (backgroundImage_.Get()) {
            graphics.Record(Gdiplus::DllExports::GdipDrawImageRectI(
                graphics.Get(), backgroundImage_.Get(), 0, 0, width_, height_));
        }
        ComposeExtras(graphics);
        // Everything drawn must be in the DIB before it is pushed.
        Gdiplus::DllExports::GdipFlush(graphics.Get(), Gdiplus::FlushIntentionSync);
    }
    blend_.SourceConstantAlpha = 255;
    Push();
}

void LayeredWindow::Push() {
    HWND hwnd = Hwnd();
    if (!updateFunction_ || !memoryDc_ || !hwnd) return;
    win::WindowDc screen(hwnd);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    POINT dest = {rect.left, rect.top};
    SIZE size = {dibWidth_, dibHeight_};
    POINT source = {0, 0};
    updateFunction_(hwnd, screen.Get(), &dest, &size, memoryDc_.Get(), &source, 0, &blend_,
                    ULW_ALPHA);
}

void LayeredWindow::Present() {
    if (!dib_) return;
    // Selecting the DIB that is already selected changes nothing.
    win::SelectObjectScope select(memoryDc_.Get(), dib_.Get());
    Push();
}

uint32_t LayeredWindow::PixelAt(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= dibWidth_ || y >= dibHeight_) return 0;
    return bits_[static_cast<size_t>(dibHeight_ - 1 - y) * dibWidth_ + x];
}

} // namespace ui
