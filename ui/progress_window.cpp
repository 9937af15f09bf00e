#include "ui/progress_window.h"

#include "ui/compositor.h"
#include "ui/skin_frame.h"
#include "ui/skin_geometry.h"

namespace ui {

namespace {

WindowClassInfo g_progressClass;

// The ground drawn when the loading picture cannot be had.
const int kPlainWidth = 420, kPlainHeight = 120;
// Straight-alpha colours: the plain ground, the bars' track, files, bytes.
const uint32_t kPlainColour = 0xF0202830, kTrackColour = 0xC0000000;
const uint32_t kFilesColour = 0xFF3FA34D, kBytesColour = 0xFFE0C040;

int Filled(int from, int to, long long done, long long total) {
    if (total <= 0 || to <= from) return from;
    if (done < 0) done = 0;
    if (done > total) done = total;
    return from + static_cast<int>((to - from) * done / total);
}

} // namespace

ProgressLayout LayOutProgress(int width, int height, const ProgressFigures& f) {
    ProgressLayout out;
    if (width <= 0 || height <= 0) return out;
    // A tenth of the width on each side, near the bottom edge.
    const int margin = width / 10;
    const int thick = height < 60 ? (height > 6 ? height / 6 : 1) : 10;
    const int bottom = height - (height / 8 > thick ? height / 8 : thick);
    out.track = {margin, bottom - thick - thick / 2 - 2, width - margin, bottom};
    RECT& t = out.track;
    out.files = {t.left + 1, t.top + 1, t.left + 1, t.top + 1 + thick};
    out.files.right = Filled(out.files.left, t.right - 1, f.filesDone, f.filesTotal);
    out.bytes = {t.left + 1, out.files.bottom, t.left + 1, t.bottom - 1};
    out.bytes.right = Filled(out.bytes.left, t.right - 1, f.bytesDone, f.bytesTotal);
    return out;
}

void ComposeProgress(const PixelImage& picture, const ProgressFigures& f, const PixelView& out) {
    ComposeSkinWindow(nullptr, picture, PixelImage(), false, nullptr, out);
    auto fill = [&out](const RECT& r, uint32_t colour) {
        BlendFill(out, r.left, r.top, r.right - r.left, r.bottom - r.top, Premultiply(colour));
    };
    if (picture.Empty()) fill({0, 0, out.width, out.height}, kPlainColour);
    ProgressLayout bars = LayOutProgress(out.width, out.height, f);
    fill(bars.track, kTrackColour);
    fill(bars.files, kFilesColour);
    fill(bars.bytes, kBytesColour);
}

ProgressWindow::~ProgressWindow() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

HWND ProgressWindow::Create(const wchar_t* title, const wchar_t* picture,
                            const ProgressFigures& f) {
    figures_ = f;
    SetBackgroundImage(picture);
    if (SurfaceWidth() <= 0 || SurfaceHeight() <= 0) SetSurfaceSize(kPlainWidth, kPlainHeight);
    if (!CreateWith(g_progressClass, nullptr, title, WS_CLIPSIBLINGS, 0)) return nullptr;
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT p = CenterPosition(nullptr, work, SurfaceWidth(), SurfaceHeight());
    SetWindowPos(Hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Render(0, 0);
    ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    return Hwnd();
}

void ProgressWindow::Show(const ProgressFigures& f) {
    if (f == figures_ || !Hwnd()) return;
    figures_ = f;
    Render(0, 0);
}

void ProgressWindow::Compose(const PixelView& surface) {
    ComposeProgress(backgroundImage_.Pixels(), figures_, surface);
}

bool ProgressWindow::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM /*wParam*/,
                                          LPARAM /*lParam*/, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE:
        OnCreateCommon();
        return true;
    case WM_NCHITTEST:
        // Dragged anywhere, as a caption would be.
        result = HTCAPTION;
        return true;
    case WM_CLOSE:
        // The update ends at its next safe point; the window goes with it.
        closeRequested_ = true;
        ShowWindow(hwnd, SW_HIDE);
        return true;
    default:
        return false;
    }
}

} // namespace ui
