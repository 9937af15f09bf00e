// A minimal window-class base: one registered class per C++ window class, the
// object found through GWLP_USERDATA, messages routed to a virtual handler.
#pragma once

#include <windows.h>

namespace ui {

// Registration record of one C++ window class; keep one static per class.
struct WindowClassInfo {
    ATOM atom = 0;
    wchar_t name[40] = {};
};

class WindowBase {
  public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // True when the message was handled; result then holds its answer.
    virtual bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
    virtual WNDPROC GetWindowProc() { return &WindowBase::WindowProc; }
    // Called after the last message the window receives.
    virtual void OnFinalMessage(HWND /*hwnd*/) {}
    virtual ~WindowBase();

    HWND Hwnd() const { return hwnd_; }

  protected:
    // Creates the window of this object's class with an owner (not a parent).
    HWND CreateWith(WindowClassInfo& info, HWND owner, const wchar_t* title, DWORD style,
                    DWORD exStyle);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool Register(WindowClassInfo& info, WNDPROC proc);

    HWND hwnd_ = nullptr;
};

} // namespace ui
