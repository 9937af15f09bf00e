// The launcher's application window: a hidden-frame dialog whose client area
// is the browser, under the skin window, running the chain of window layouts.
#pragma once

#include "core/message_loop.h"
#include "ui/skin_window.h"
#include "web/browser_host.h"

#include <windows.h>

class AppModule;
struct SavedState;
struct StaticConfig;

struct Insets {
    int left = 0, right = 0, top = 0, bottom = 0;
};

// The border's JSON order is top, left, right, bottom.
Insets InsetsFromBorder(const int border[4]);
RECT ShrinkRect(const RECT& r, const Insets& in);
RECT GrowRect(const RECT& r, const Insets& in);

class MainWindow : public MessageFilter {
  public:
    static constexpr UINT_PTR kRevealTimer = 2;
    static constexpr UINT kRevealDelayMs = 300;

    // The run's configuration and saved state, which must outlive the window;
    // the module gives the resources and the thread's message loop.
    MainWindow(StaticConfig& config, SavedState& state, AppModule& module);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the modeless dialog 200; null when it cannot be created.
    HWND Create();
    HWND Hwnd() const { return hwnd_; }

    void SwitchToWindow(int i);
    void ToggleMaximize();

    bool PreTranslateMessage(MSG* msg) override;

    // Read by tests.
    ui::SkinWindow& Skin() { return skin_; }
    ui::LoadingWindow& Loading() { return loading_; }
    BrowserHost& Browser() { return browser_; }
    int CurrentWindow() const { return currentWindow_; }
    bool Revealed() const { return revealed_; }
    const RECT& NormalRect() const { return normalRect_; }
    const RECT& RestoreRect() const { return restoreRect_; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    BOOL OnInitDialog();
    void ShowLoadingWindow();
    void SetUpBrowser();
    void PlaceOverSkin();
    void Reveal();
    void OnStartGame(wchar_t* url);
    void OnMoving(RECT* proposed);
    void OnSizing(RECT* proposed);
    void OnSize(WPARAM kind);
    void OnClose();
    void SaveState();
    RECT WorkArea() const;

    StaticConfig& config_;
    SavedState& state_;
    AppModule& module_;
    HWND hwnd_ = nullptr;
    ui::SkinWindow skin_;
    BrowserHost browser_;
    ui::LoadingWindow loading_;
    bool initialized_ = false;
    bool revealed_ = false;
    bool resizable_ = false;
    Insets insets_;
    RECT normalRect_ = {};
    int currentWindow_ = -1;
    RECT restoreRect_ = {};
};
