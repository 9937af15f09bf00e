// The launcher's visible frame: the current window layout's skin and skin
// buttons, turning presses on the frame into move and size commands for the
// owner (the main window).
#pragma once

#include "ui/layered_window.h"
#include "win/scoped.h"

struct ButtonSteps;
struct StaticConfig;
struct WindowDesc;

namespace ui {

class SkinWindow : public LayeredWindow {
  public:
    // Shows the window layouts of config, which must outlive the window.
    SkinWindow(const StaticConfig& config, AppModule& module)
        : LayeredWindow(module), config_(config) {}
    ~SkinWindow() override;

    // Creates the hidden frame owned by owner.
    HWND Create(HWND owner, const wchar_t* title);

    // Takes on window layout i of the configuration.
    void SetWindowIndex(int i);
    // Centres the window over its visible owner, inside the work area.
    void CenterOnOwner();

    // Draws button i in one state and pushes the surface.
    void DrawButton(int i, int state);
    // Draws every button in its current state and pushes once.
    void DrawAllButtons();

    // Written by the main window when it maximises or restores.
    void SetMaximized(bool maximized) { maximized_ = maximized; }

    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    int WindowIndex() const { return windowIndex_; }
    int HotButton() const { return hotButton_; }
    bool Pressed() const { return pressed_; }
    int HitCommand() const { return hitCommand_; }
    bool Maximized() const { return maximized_; }
    HCURSOR WindowCursor() const { return windowCursor_.Get(); }

  protected:
    void Compose(const PixelView& surface) override;

  private:
    const WindowDesc* Desc() const;
    void LoadWindowCursor();
    int CurrentState(int i) const;
    void Apply(const ButtonSteps& steps);
    void RunCommand(int button);

    void OnCreate();
    void OnSetCursor();
    void OnMouseMove();
    void OnLeftButtonDown();
    void OnLeftButtonUp();
    void OnLeftButtonDoubleClick();
    void OnMouseLeave();
    void OnDestroy();

    const StaticConfig& config_;
    SkinImage elementsImage_;
    int hotButton_ = -1;
    bool pressed_ = false;
    int windowIndex_ = -1;
    HWND owner_ = nullptr;
    int savedDragFullWindows_ = 0;
    int hitCommand_ = 0xF012;
    bool maximized_ = false;
    win::UniqueCursor windowCursor_;
    // The arrow is a shared system cursor and must not be destroyed.
    bool cursorIsShared_ = false;
};

// The picture shown while a page loads.
class LoadingWindow : public LayeredWindow {
  public:
    explicit LoadingWindow(AppModule& module) : LayeredWindow(module) {}
    ~LoadingWindow() override;

    HWND Create(HWND owner, const wchar_t* title);

    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;
};

} // namespace ui
