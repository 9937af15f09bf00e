#include "ui/skin_window.h"

#include "core/messages.h"
#include "core/static_config.h"
#include "ui/skin_frame.h"
#include "ui/skin_geometry.h"

namespace ui {

namespace {

WindowClassInfo g_skinClass;
WindowClassInfo g_loadingClass;

// The four sizing cursors, shared by every skin window of the process.
HCURSOR g_sizingCursors[4] = {};
bool g_sizingCursorsLoaded = false;

HCURSOR SizingCursor(SkinCursor kind) {
    if (!g_sizingCursorsLoaded) {
        g_sizingCursors[0] = LoadCursorW(nullptr, IDC_SIZENWSE);
        g_sizingCursors[1] = LoadCursorW(nullptr, IDC_SIZENESW);
        g_sizingCursors[2] = LoadCursorW(nullptr, IDC_SIZEWE);
        g_sizingCursors[3] = LoadCursorW(nullptr, IDC_SIZENS);
        g_sizingCursorsLoaded = true;
    }
    switch (kind) {
    case SkinCursor::SizeNWSE:
        return g_sizingCursors[0];
    case SkinCursor::SizeNESW:
        return g_sizingCursors[1];
    case SkinCursor::SizeWE:
        return g_sizingCursors[2];
    case SkinCursor::SizeNS:
        return g_sizingCursors[3];
    default:
        return nullptr;
    }
}

void DestroyIfAlive(HWND hwnd) {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
}

} // namespace

SkinWindow::~SkinWindow() {
    // Destroyed here, while the object can still answer WM_DESTROY.
    DestroyIfAlive(Hwnd());
    if (cursorIsShared_) windowCursor_.Release();
}

HWND SkinWindow::Create(HWND owner, const wchar_t* title) {
    owner_ = owner;
    return CreateWith(g_skinClass, owner, title, WS_CLIPSIBLINGS, 0);
}

const WindowDesc* SkinWindow::Desc() const {
    return config_.Window(windowIndex_);
}

void SkinWindow::LoadWindowCursor() {
    const WindowDesc* desc = Desc();
    if (cursorIsShared_) windowCursor_.Release();
    windowCursor_.Reset();
    cursorIsShared_ = false;
    HCURSOR cursor = desc ? LoadCursorFromFileW(desc->cursor) : nullptr;
    if (cursor) {
        windowCursor_.Reset(cursor);
    } else {
        windowCursor_.Reset(LoadCursorW(nullptr, IDC_ARROW));
        cursorIsShared_ = true;
    }
}

bool SkinWindow::ProcessWindowMessage(HWND /*hwnd*/, UINT message, WPARAM /*wParam*/, LPARAM lParam,
                                      LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE:
        OnCreateCommon();
        OnCreate();
        return true;
    case WM_NCHITTEST: {
        // Where the frame is fully transparent the mouse belongs to the
        // window beneath. Windows never asks there; Wine does, and passes the
        // mouse on to the launcher's own windows beneath when told so.
        RECT rect = {};
        GetWindowRect(Hwnd(), &rect);
        int x = static_cast<short>(LOWORD(lParam)) - rect.left;
        int y = static_cast<short>(HIWORD(lParam)) - rect.top;
        if (PixelAt(x, y) >> 24) return false;
        result = HTTRANSPARENT;
        return true;
    }
    case WM_SETCURSOR:
        OnSetCursor();
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return true;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown();
        return true;
    case WM_LBUTTONUP:
        OnLeftButtonUp();
        return true;
    case WM_LBUTTONDBLCLK:
        OnLeftButtonDoubleClick();
        return true;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return true;
    case WM_CAPTURECHANGED:
        // A press whose capture another window took must not run a command
        // on a later release.
        if (reinterpret_cast<HWND>(lParam) != Hwnd())
            Apply(ButtonCaptureLost(hotButton_, pressed_));
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    default:
        return false;
    }
}

void SkinWindow::OnCreate() {
    windowIndex_ = config_.firstWindow;
    const WindowDesc* desc = Desc();
    if (!desc) return;
    LoadWindowCursor();

    BOOL drag = FALSE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &drag, 0);
    savedDragFullWindows_ = drag ? 1 : 0;
    if (!drag) SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 1, nullptr, 0);

    elementsImage_.Load(desc->elements);

    RECT rect = {};
    GetWindowRect(Hwnd(), &rect);
    MoveWindow(Hwnd(), rect.left, rect.top, SurfaceWidth(), SurfaceHeight(), TRUE);
    CenterOnOwner();
}

void SkinWindow::CenterOnOwner() {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner) {
        LONG_PTR style = GetWindowLongPtrW(owner, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE)) owner = nullptr;
    }
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT ownerRect = {};
    if (owner) GetWindowRect(owner, &ownerRect);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    POINT p = CenterPosition(owner ? &ownerRect : nullptr, work, rect.right - rect.left,
                             rect.bottom - rect.top);
    SetWindowPos(hwnd, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinWindow::SetWindowIndex(int i) {
    if (!config_.IsValidWindow(i) || i == windowIndex_) return;
    windowIndex_ = i;
    LoadWindowCursor();
    hotButton_ = -1;
    pressed_ = false;

    const WindowDesc* desc = Desc();
    backgroundImage_.Reset();
    elementsImage_.Reset();
    elementsImage_.Load(desc->elements);
    SetBackgroundImage(desc->background);

    RECT rect = {};
    GetWindowRect(Hwnd(), &rect);
    if (!desc->use9Matrix) {
        MoveWindow(Hwnd(), rect.left, rect.top, SurfaceWidth(), SurfaceHeight(), TRUE);
        GetWindowRect(Hwnd(), &rect);
    }
    Render(rect.right - rect.left, rect.bottom - rect.top);
    CenterOnOwner();
}

void SkinWindow::Compose(const PixelView& surface) {
    // Buttons are drawn with every new surface, so that a nine-grid window
    // never shows holes where its buttons are; the hot one in its state.
    const WindowDesc* desc = Desc();
    ComposeSkinWindow(desc, backgroundImage_.Pixels(), elementsImage_.Pixels(), maximized_, nullptr,
                      surface);
    if (desc && hotButton_ >= 0)
        ComposeSkinButton(*desc, backgroundImage_.Pixels(), elementsImage_.Pixels(), maximized_,
                          hotButton_, CurrentState(hotButton_), surface);
}

void SkinWindow::OnSetCursor() {
    const WindowDesc* desc = Desc();
    SkinCursor kind = SkinCursor::Window;
    if (desc) {
        kind = CursorForHit(hotButton_ >= 0, desc->use9Matrix, desc->resizable, maximized_,
                            hitCommand_);
    }
    HCURSOR cursor = kind == SkinCursor::Window ? windowCursor_.Get() : SizingCursor(kind);
    if (cursor) SetCursor(cursor);
}

void SkinWindow::OnMouseMove() {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, Hwnd(), 0};
    TrackMouseEvent(&track);
    const WindowDesc* desc = Desc();
    if (!desc) return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    RECT rect = {};
    GetWindowRect(Hwnd(), &rect);
    hitCommand_ = SizingHitTest(desc->use9Matrix, desc->resizable, maximized_, rect, cursor);
    int hit = ButtonHitTest(desc->buttons.get(), desc->buttonCount, rect.right - rect.left,
                            rect.bottom - rect.top, cursor.x - rect.left, cursor.y - rect.top);
    ButtonSteps steps = ButtonMove(hotButton_, pressed_, hit);
    if (steps.hitCleared) hitCommand_ = 0;
    Apply(steps);
}

void SkinWindow::OnLeftButtonDown() {
    if (!Desc()) return;
    if (hotButton_ >= 0) {
        Apply(ButtonPress(hotButton_, pressed_));
        return;
    }
    if (hitCommand_ != 0) {
        ReleaseCapture();
        SendMessageW(owner_, WM_SYSCOMMAND, static_cast<WPARAM>(hitCommand_), 0);
    }
}

void SkinWindow::OnLeftButtonUp() {
    if (!Desc()) return;
    Apply(ButtonRelease(hotButton_, pressed_));
}

void SkinWindow::OnLeftButtonDoubleClick() {
    if (!Desc()) return;
    if (hotButton_ < 0) SendMessageW(owner_, WM_TOGGLE_MAXIMIZE, 0, 0);
}

void SkinWindow::OnMouseLeave() {
    Apply(ButtonLeave(hotButton_, pressed_));
}

void SkinWindow::OnDestroy() {
    if (savedDragFullWindows_ == 0) SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0);
}

void SkinWindow::Apply(const ButtonSteps& steps) {
    if (steps.capture) SetCapture(Hwnd());
    if (steps.releaseCapture) ReleaseCapture();
    for (int k = 0; k < steps.drawCount; ++k)
        DrawButton(steps.drawIndex[k], steps.drawState[k]);
    if (steps.runButton >= 0) RunCommand(steps.runButton);
}

LoadingWindow::~LoadingWindow() {
    DestroyIfAlive(Hwnd());
}

HWND LoadingWindow::Create(HWND owner, const wchar_t* title) {
    return CreateWith(g_loadingClass, owner, title, WS_CLIPSIBLINGS, 0);
}

bool LoadingWindow::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM /*wParam*/,
                                         LPARAM /*lParam*/, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE:
        OnCreateCommon();
        return true;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        PostQuitMessage(0);
        return true;
    default:
        return false;
    }
}

} // namespace ui
