#include "ui/window_base.h"

#include <cstdio>

namespace ui {

WindowBase::~WindowBase() {
    // The window must not call into a dead object.
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool WindowBase::Register(WindowClassInfo& info, WNDPROC proc) {
    if (info.atom) return true;
    // A name unique to this process and class record.
    swprintf(info.name, sizeof info.name / sizeof info.name[0], L"Lumora:%p",
             static_cast<void*>(&info));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = info.name;
    info.atom = RegisterClassExW(&wc);
    return info.atom != 0;
}

HWND WindowBase::CreateWith(WindowClassInfo& info, HWND owner, const wchar_t* title, DWORD style,
                            DWORD exStyle) {
    if (hwnd_ || !Register(info, GetWindowProc())) return nullptr;
    return CreateWindowExW(exStyle, info.name, title ? title : L"", style, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           GetModuleHandleW(nullptr), this);
}

LRESULT CALLBACK WindowBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<WindowBase*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool handled = self->ProcessWindowMessage(hwnd, message, wParam, lParam, result);
    if (!handled) result = DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage(hwnd);
    }
    return result;
}

} // namespace ui
