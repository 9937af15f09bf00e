// Skin buttons: pictures drawn into the skin window's surface and the commands
// they send to the owner.
#include "core/messages.h"
#include "core/static_config.h"
#include "ui/skin_frame.h"
#include "ui/skin_geometry.h"
#include "ui/skin_window.h"

namespace ui {

int SkinWindow::CurrentState(int i) const {
    if (i != hotButton_) return kButtonNormal;
    return pressed_ ? kButtonPressed : kButtonHover;
}

void SkinWindow::DrawButton(int i, int state) {
    const WindowDesc* desc = Desc();
    PixelView surface = Surface();
    if (!desc || i < 0 || i >= desc->buttonCount || !surface.pixels) return;
    ComposeSkinButton(*desc, backgroundImage_.Pixels(), elementsImage_.Pixels(), maximized_, i,
                      state, surface);
    Present();
}

void SkinWindow::DrawAllButtons() {
    const WindowDesc* desc = Desc();
    PixelView surface = Surface();
    if (!desc || !surface.pixels) return;
    for (int k = 0; k < desc->buttonCount; ++k)
        ComposeSkinButton(*desc, backgroundImage_.Pixels(), elementsImage_.Pixels(), maximized_, k,
                          CurrentState(k), surface);
    Present();
}

void SkinWindow::RunCommand(int button) {
    const WindowDesc* desc = Desc();
    if (!desc || button < 0 || button >= desc->buttonCount) return;
    switch (desc->buttons[button].func) {
    case kFuncClose:
        SendMessageW(owner_, WM_CLOSE, 0, 0);
        break;
    case kFuncMinimize:
        // A minimised launcher gives its memory back to the system.
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1),
                                 static_cast<SIZE_T>(-1));
        ShowWindow(owner_, SW_MINIMIZE);
        break;
    case kFuncMaximize:
        SendMessageW(owner_, WM_TOGGLE_MAXIMIZE, 0, 0);
        break;
    case kFuncRefresh:
        SendMessageW(owner_, WM_REFRESH_PAGE, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace ui
