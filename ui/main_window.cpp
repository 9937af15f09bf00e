#include "ui/main_window.h"

#include "core/app_module.h"
#include "core/messages.h"
#include "core/saved_state.h"
#include "core/static_config.h"
#include "res/resource.h"
#include "ui/skin_geometry.h"
#include "web/ax_host.h"
#include "web/host_ui_handler.h"
#include "web/script_bridge.h"
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

MainWindow::~MainWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

HWND MainWindow::Create(HINSTANCE instance) {
    return CreateAxDialog(instance, IDD_MAIN_WINDOW, nullptr, DialogProc,
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
        if (currentWindow_ != g_staticConfig.firstWindow) SaveState();
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
        if (IWebBrowser2* b = browser_.Browser()) b->Refresh();
        return true;
    }
    if (message == WM_TOGGLE_MAXIMIZE) {
        ToggleMaximize();
        return true;
    }
    return false;
}

BOOL MainWindow::OnInitDialog() {
    const StaticConfig& cfg = g_staticConfig;
    SetWindowTextW(hwnd_, cfg.title);
    currentWindow_ = cfg.firstWindow;
    const WindowDesc* first = cfg.Window(currentWindow_);
    if (!first) return FALSE;

    HICON icon = LoadIconW(g_appModule.ResourceInstance(), MAKEINTRESOURCEW(IDI_LAUNCHER));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    g_savedState.LoadSavedState();
    normalRect_ = {0, 0, g_savedState.width, g_savedState.height};
    restoreRect_ = normalRect_;
    insets_ = InsetsFromBorder(first->border);

    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    LONG wanted = (style & ~0x02C00004L) | WS_MINIMIZEBOX;
    if (wanted != style) SetWindowLongW(hwnd_, GWL_STYLE, wanted);

    ShowLoadingWindow();

    skin_.SetBackgroundImage(first->background);
    skin_.Create(hwnd_, cfg.title);
    skin_.Render(0, 0);

    SetUpBrowser();
    PlaceOverSkin();
    if (MessageLoop* loop = g_appModule.GetMessageLoop()) loop->AddMessageFilter(this);
    initialized_ = true;
    return TRUE;
}

void MainWindow::ShowLoadingWindow() {
    loading_.SetBackgroundImage(g_staticConfig.loading);
    if (!loading_.Create(hwnd_, g_staticConfig.title)) return;
    loading_.Render(0, 0);
    RECT work = WorkArea();
    POINT p = CenterPosition(nullptr, work, loading_.SurfaceWidth(), loading_.SurfaceHeight());
    SetWindowPos(loading_.Hwnd(), nullptr, p.x, p.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(loading_.Hwnd(), SW_SHOW);
}

void MainWindow::SetUpBrowser() {
    browser_.Create(hwnd_, g_staticConfig.startUrl);
    skin_.CenterOnOwner();

    // The page's external object; without memory for it the page simply has
    // none and the host keeps its own UI defaults.
    ScriptBridge* bridge = ScriptBridge::Create();
    if (bridge) bridge->SetTargetWindow(hwnd_);
    HostUiHandler* rawHandler = nullptr;
    if (SUCCEEDED(CreateHostUiHandler(bridge, &rawHandler)) && rawHandler) {
        win::ComPtr<HostUiHandler> handler = win::ComPtr<HostUiHandler>::Share(rawHandler);
        win::ComPtr<IUnknown> host;
        if (SUCCEEDED(AxGetHost(browser_.Window(), host.Put()))) {
            win::ComPtr<IAxWinHostWindow> axHost;
            if (SUCCEEDED(host.As(axHost))) axHost->SetExternalUIHandler(handler.Get());
        }
    } else if (bridge) {
        // Nobody took the bridge: let it go.
        bridge->AddRef();
        bridge->Release();
    }
    if (IWebBrowser2* b = browser_.Browser()) b->put_RegisterAsBrowser(VARIANT_TRUE);
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

void MainWindow::Navigate(const wchar_t* url) {
    IWebBrowser2* b = browser_.Browser();
    if (!b) return;
    VARIANT target, flags, empty;
    VariantInit(&empty);
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = SysAllocString(url);
    if (target.bstrVal) b->Navigate2(&target, &flags, &empty, &empty, &empty);
    VariantClear(&target);
}

void MainWindow::SwitchToWindow(int i) {
    const StaticConfig& cfg = g_staticConfig;
    const WindowDesc* desc = cfg.Window(i);
    if (!desc) return;
    if (currentWindow_ != cfg.firstWindow) SaveState();
    currentWindow_ = i;
    // A reveal pending for the layout we leave must not show the next one.
    KillTimer(hwnd_, kRevealTimer);
    // The layouts are placed on a normal window; a minimised one would keep
    // its icon's rectangle and come back in the layout it left.
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    ShowWindow(skin_.Hwnd(), SW_HIDE);
    ShowWindow(hwnd_, SW_HIDE);
    if (i != cfg.firstWindow) {
        if (loading_.Hwnd()) ShowWindow(loading_.Hwnd(), SW_SHOW);
    } else {
        g_staticConfig.ApplyFirstRunFlag();
        Navigate(cfg.startUrl);
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
    int saved = g_savedState.maximized;
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
        if (currentWindow_ != g_staticConfig.firstWindow)
            normalRect_ = GrowRect(restoreRect_, insets_);
    } else {
        skin_.SetMaximized(true);
        restoreRect_ = WindowRect(hwnd_);
        MoveTo(hwnd_, ShrinkRect(WorkArea(), insets_));
    }
    skin_.DrawAllButtons();
}

void MainWindow::OnStartGame(wchar_t* url) {
    const WindowDesc* current = g_staticConfig.Window(currentWindow_);
    // The page is untrusted: only a web address may move the launcher on.
    if (current && IsWebUrl(url)) {
        char next[32];
        lstrcpynA(next, current->next, 32);
        for (int i = 0; i < g_staticConfig.windowCount; ++i) {
            if (!IsWindowNamed(g_staticConfig.windows[i], next, current->nextRefused)) continue;
            SwitchToWindow(i);
            Navigate(url);
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
    if (currentWindow_ != g_staticConfig.firstWindow && !skin_.Maximized()) normalRect_ = frame;
}

void MainWindow::OnClose() {
    if (currentWindow_ != g_staticConfig.firstWindow) {
        SwitchToWindow(g_staticConfig.firstWindow);
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
    g_savedState.width = r.right - r.left;
    g_savedState.height = r.bottom - r.top;
    g_savedState.maximized = skin_.Maximized() ? 2 : 1;
    g_savedState.SaveSavedState();
}

bool MainWindow::PreTranslateMessage(MSG* msg) {
    return browser_.PreTranslateMessage(msg);
}
