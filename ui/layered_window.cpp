#include "ui/layered_window.h"

#include "core/app_module.h"

#include "ui/skin_frame.h"

#include <utility>

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
    if (!Reserve(width_, height_)) return;
    Compose(Surface());
    blend_.SourceConstantAlpha = 255;
    Present();
}

bool LayeredWindow::Reserve(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxPixelExtent || height > kMaxPixelExtent)
        return false;
    if (!memoryDc_) {
        win::WindowDc screen(Hwnd());
        memoryDc_.Reset(CreateCompatibleDC(screen.Get()));
        if (!memoryDc_) return false;
    }
    if (dib_ && width <= dibWidth_ && height <= dibHeight_) return true;
    // A new DIB costs more than composing a frame: it only ever grows.
    int w = width > dibWidth_ ? width : dibWidth_;
    int h = height > dibHeight_ ? height : dibHeight_;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h; // bottom-up rows: the compositor walks them upwards
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(static_cast<size_t>(w) * 4 * h);
    void* bits = nullptr;
    win::UniqueGdiObject dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return false;
    // The new DIB takes the old one's place in the context before the old
    // one is deleted.
    SelectObject(memoryDc_.Get(), dib.Get());
    dib_ = std::move(dib);
    bits_ = static_cast<uint32_t*>(bits);
    dibWidth_ = w;
    dibHeight_ = h;
    return true;
}

PixelView LayeredWindow::Surface() const {
    if (!bits_ || width_ <= 0 || height_ <= 0 || width_ > dibWidth_ || height_ > dibHeight_)
        return {};
    // The window shows the DIB's top-left part, whose top row is the last
    // one in memory.
    std::ptrdiff_t stride = dibWidth_;
    return {bits_ + stride * (dibHeight_ - 1), width_, height_, -stride};
}

void LayeredWindow::Compose(const PixelView& surface) {
    ComposeSkinWindow(nullptr, backgroundImage_.Pixels(), PixelImage(), false, nullptr, surface);
}

void LayeredWindow::Present() {
    HWND hwnd = Hwnd();
    PixelView surface = Surface();
    if (!updateFunction_ || !memoryDc_ || !hwnd || !surface.pixels) return;
    // Only the window's part of a DIB that may be larger. Neither the screen's
    // context (it only picks a palette) nor the position (it stays) is needed:
    // each costs a trip to the window system, at every frame.
    SIZE size = {surface.width, surface.height};
    POINT source = {0, 0};
    updateFunction_(hwnd, nullptr, nullptr, &size, memoryDc_.Get(), &source, 0, &blend_, ULW_ALPHA);
}

uint32_t LayeredWindow::PixelAt(int x, int y) const {
    PixelView surface = Surface();
    if (!surface.pixels || x < 0 || y < 0 || x >= surface.width || y >= surface.height) return 0;
    return surface.Row(y)[x];
}

} // namespace ui
