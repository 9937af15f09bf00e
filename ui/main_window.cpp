#include "ui/main_window.h"

#include "core/app_module.h"
#include "core/messages.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "res/resource.h"
#include "ui/skin_geometry.h"
#include "web/start_game.h"

Insets InsetsFromBorder(const int border[4]) {
    Insets in;
    in.top = border[0];
    in.left = border[1];
    in.right = border[2];
    in.bottom = border[3];
    return in;
}

RECT ShrinkRect(const RECT& r, const Insets& in) {
    return {r.left + in.left, r.top + in.top, r.right - in.right, r.bottom - in.bottom};
}

RECT GrowRect(const RECT& r, const Insets& in) {
    return {r.left - in.left, r.top - in.top, r.right + in.right, r.bottom + in.bottom};
}

namespace {

void MoveTo(HWND hwnd, const RECT& r) {
    MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

RECT WindowRect(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

} // namespace

MainWindow::MainWindow(StaticConfig& config, SavedState& state, AppModule& module)
    : config_(config), state_(state), module_(module), skin_(config, module), loading_(module) {}

MainWindow::~MainWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

HWND MainWindow::Create() {
    return CreateAxDialog(module_.Instance(), IDD_MAIN_WINDOW, nullptr, DialogProc,
                          reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<MainWindow*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    if (!self->ProcessMessage(message, wParam, lParam, result)) return FALSE;
    if (message == WM_DESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

bool MainWindow::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    result = TRUE;
    switch (message) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return true;
    case WM_DESTROY:
        if (currentWindow_ != config_.firstWindow) SaveState();
        return true;
    case WM_MOVING:
        OnMoving(reinterpret_cast<RECT*>(lParam));
        return true;
    case WM_SIZING:
        OnSizing(reinterpret_cast<RECT*>(lParam));
        return true;
    case WM_SIZE:
        OnSize(wParam);
        return true;
    case WM_CLOSE:
        OnClose();
        return true;
    case WM_TIMER:
        if (wParam != kRevealTimer) return false;
        KillTimer(hwnd_, kRevealTimer);
        if (loading_.Hwnd()) ShowWindow(loading_.Hwnd(), SW_HIDE);
        ShowWindow(skin_.Hwnd(), SW_SHOW);
        ShowWindow(hwnd_, SW_SHOW);
        return true;
    default:
        break;
    }
    if (message == WM_PAGE_LOADED) {
        if (!revealed_) Reveal();
        return true;
    }
    if (message == WM_START_GAME) {
        OnStartGame(reinterpret_cast<wchar_t*>(lParam));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
        return true;
    }
    if (message == WM_REFRESH_PAGE) {
        browser_.Refresh();
        return true;
    }
    if (message == WM_TOGGLE_MAXIMIZE) {
        ToggleMaximize();
        return true;
    }
    return false;
}

BOOL MainWindow::OnInitDialog() {
    SetWindowTextW(hwnd_, config_.title);
    currentWindow_ = config_.firstWindow;
    const WindowDesc* first = config_.Window(currentWindow_);
    if (!first) return FALSE;

    HICON icon = LoadIconW(module_.ResourceInstance(), MAKEINTRESOURCEW(IDI_LAUNCHER));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    state_.LoadSavedState();
    normalRect_ = {0, 0, state_.width, state_.height};
    restoreRect_ = normalRect_;
    insets_ = InsetsFromBorder(first->border);

    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    LONG wanted = (style & ~0x02C00004L) | WS_MINIMIZEBOX;
    if (wanted != style) SetWindowLongW(hwnd_, GWL_STYLE, wanted);

    ShowLoadingWindow();

    skin_.SetBackgroundImage(first->background);
    skin_.Create(hwnd_, config_.title);
    skin_.Render(0, 0);

    SetUpBrowser();
    PlaceOverSkin();
    if (MessageLoop* loop = module_.GetMessageLoop()) loop->AddMessageFilter(this);
    initialized_ = true;
    return TRUE;
}

void MainWindow::ShowLoadingWindow() {
    loading_.SetBackgroundImage(config_.loading);
    if (!loading_.Create(hwnd_, config_.title)) return;
    loading_.Render(0, 0);
    RECT work = WorkArea();
    POINT p = CenterPosition(nullptr, work, loading_.SurfaceWidth(), loading_.SurfaceHeight());
    SetWindowPos(loading_.Hwnd(), nullptr, p.x, p.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(loading_.Hwnd(), SW_SHOW);
}

void MainWindow::SetUpBrowser() {
    browser_.Create(hwnd_, config_.startUrl);
    skin_.CenterOnOwner();
}

void MainWindow::PlaceOverSkin() {
    MoveTo(hwnd_, ShrinkRect(WindowRect(skin_.Hwnd()), insets_));
    RECT client = {};
    GetClientRect(hwnd_, &client);
    if (browser_.Window()) MoveTo(browser_.Window(), client);
}

void MainWindow::Reveal() {
    revealed_ = true;
    if (loading_.Hwnd()) ShowWindow(loading_.Hwnd(), SW_HIDE);
    ShowWindow(skin_.Hwnd(), SW_SHOW);
    ShowWindow(hwnd_, SW_SHOW);
}

RECT MainWindow::WorkArea() const {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

void MainWindow::SwitchToWindow(int i) {
    const WindowDesc* desc = config_.Window(i);
    if (!desc) return;
    if (currentWindow_ != config_.firstWindow) SaveState();
    currentWindow_ = i;
    // A reveal pending for the layout we leave must not show the next one.
    KillTimer(hwnd_, kRevealTimer);
    // The layouts are placed on a normal window; a minimised one would keep
    // its icon's rectangle and come back in the layout it left.
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    ShowWindow(skin_.Hwnd(), SW_HIDE);
    ShowWindow(hwnd_, SW_HIDE);
    if (i != config_.firstWindow) {
        if (loading_.Hwnd()) ShowWindow(loading_.Hwnd(), SW_SHOW);
    } else {
        config_.ApplyFirstRunFlag();
        browser_.Navigate(config_.startUrl);
        SetTimer(hwnd_, kRevealTimer, kRevealDelayMs, nullptr);
    }
    insets_ = InsetsFromBorder(desc->border);
    // Every layout is entered at its normal size; the maximised state is
    // applied afresh below, so the flag never outlives the size it stood for.
    bool wasMaximized = skin_.Maximized();
    skin_.SetMaximized(false);
    if (desc->resizable) MoveTo(skin_.Hwnd(), normalRect_);
    skin_.SetWindowIndex(i);
    PlaceOverSkin();
    resizable_ = desc->resizable;
    int saved = state_.maximized;
    if (resizable_ && (saved == 2 || (saved == 0 && desc->startMax))) {
        skin_.SetMaximized(true);
        restoreRect_ = WindowRect(hwnd_);
        MoveTo(hwnd_, ShrinkRect(WorkArea(), insets_));
    }
    if (wasMaximized || skin_.Maximized()) skin_.DrawAllButtons();
    revealed_ = false;
}

void MainWindow::ToggleMaximize() {
    if (!resizable_) return;
    if (skin_.Maximized()) {
        skin_.SetMaximized(false);
        MoveTo(hwnd_, restoreRect_);
        // Keep the frame's rectangle, not the main window's: the saved size
        // would otherwise shrink by the insets on every maximise and restore.
        if (currentWindow_ != config_.firstWindow) normalRect_ = GrowRect(restoreRect_, insets_);
    } else {
        skin_.SetMaximized(true);
        restoreRect_ = WindowRect(hwnd_);
        MoveTo(hwnd_, ShrinkRect(WorkArea(), insets_));
    }
    skin_.DrawAllButtons();
}

void MainWindow::OnStartGame(wchar_t* url) {
    const WindowDesc* current = config_.Window(currentWindow_);
    // The page is untrusted: only a web address may move the launcher on.
    if (current && IsWebUrl(url)) {
        char next[32];
        lstrcpynA(next, current->next, 32);
        for (int i = 0; i < config_.windowCount; ++i) {
            if (!IsWindowNamed(config_.windows[i], next, current->nextRefused)) continue;
            SwitchToWindow(i);
            browser_.Navigate(url);
        }
    }
    FreeStartGameUrl(url);
}

void MainWindow::OnMoving(RECT* proposed) {
    if (!initialized_ || !proposed) return;
    if (skin_.Maximized()) {
        *proposed = WindowRect(hwnd_);
        return;
    }
    RECT frame = GrowRect(*proposed, insets_);
    SetWindowPos(skin_.Hwnd(), nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnSizing(RECT* proposed) {
    if (!initialized_ || !proposed) return;
    if (resizable_ && !skin_.Maximized()) return;
    *proposed = WindowRect(hwnd_);
}

void MainWindow::OnSize(WPARAM kind) {
    if (!initialized_ || !resizable_) return;
    // A minimised window's rectangle is its icon's: the frame and the size to
    // save stay what they were, and the restore brings them back.
    if (kind == SIZE_MINIMIZED || IsIconic(hwnd_)) return;
    RECT client = {};
    GetClientRect(hwnd_, &client);
    if (browser_.Window()) MoveTo(browser_.Window(), client);
    RECT frame = GrowRect(WindowRect(hwnd_), insets_);
    skin_.Render(frame.right - frame.left, frame.bottom - frame.top);
    MoveTo(skin_.Hwnd(), frame);
    if (currentWindow_ != config_.firstWindow && !skin_.Maximized()) normalRect_ = frame;
}

void MainWindow::OnClose() {
    if (currentWindow_ != config_.firstWindow) {
        SwitchToWindow(config_.firstWindow);
        return;
    }
    ShowWindow(hwnd_, SW_HIDE);
    if (skin_.Hwnd()) {
        ShowWindow(skin_.Hwnd(), SW_HIDE);
        DestroyWindow(skin_.Hwnd());
    }
    if (loading_.Hwnd()) DestroyWindow(loading_.Hwnd());
    DestroyWindow(hwnd_);
    PostQuitMessage(0);
}

void MainWindow::SaveState() {
    // The frame's size either way: the next run takes the saved size as the
    // frame, so saving the main window's would shrink it by the border.
    RECT r = skin_.Maximized() ? GrowRect(restoreRect_, insets_) : normalRect_;
    state_.width = r.right - r.left;
    state_.height = r.bottom - r.top;
    state_.maximized = skin_.Maximized() ? 2 : 1;
    state_.SaveSavedState();
}

bool MainWindow::PreTranslateMessage(MSG* msg) {
    return browser_.PreTranslateMessage(msg);
}
