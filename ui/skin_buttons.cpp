// Skin buttons: pictures drawn into the skin window's surface and the commands
// they send to the owner.
#include "core/messages.h"
#include "core/static_config.h"
#include "ui/skin_geometry.h"
#include "ui/skin_window.h"

namespace ui {

void SkinWindow::DrawButtonInto(Graphics& graphics, int i, int state) {
    const WindowDesc* desc = Desc();
    if (!desc || i < 0 || i >= desc->buttonCount || !graphics.Get()) return;
    const ButtonDesc& button = desc->buttons[i];
    POINT at = ButtonPosition(button, SurfaceWidth(), SurfaceHeight());
    // Whatever the background or the frame drew there is erased first.
    graphics.Record(Gdiplus::DllExports::GdipSetClipRectI(
        graphics.Get(), at.x, at.y, button.size.cx, button.size.cy, Gdiplus::CombineModeIntersect));
    graphics.Record(Gdiplus::DllExports::GdipGraphicsClear(graphics.Get(), 0x00000000));
    graphics.Record(Gdiplus::DllExports::GdipResetClip(graphics.Get()));

    ButtonFace face = FaceForState(button, state, maximized_, desc->use9Matrix, at);
    const SkinImage& source = face.fromBackground ? backgroundImage_ : elementsImage_;
    if (!source.Get() || button.size.cx <= 0 || button.size.cy <= 0) return;
    graphics.Record(Gdiplus::DllExports::GdipDrawImagePointRectI(
        graphics.Get(), source.Get(), at.x, at.y, face.source.x, face.source.y, button.size.cx,
        button.size.cy, Gdiplus::UnitPixel));
}

int SkinWindow::CurrentState(int i) const {
    if (i != hotButton_) return kButtonNormal;
    return pressed_ ? kButtonPressed : kButtonHover;
}

void SkinWindow::DrawButton(int i, int state) {
    const WindowDesc* desc = Desc();
    if (!desc || i < 0 || i >= desc->buttonCount || !MemoryDc() || !Dib()) return;
    win::SelectObjectScope select(MemoryDc(), Dib());
    {
        Graphics graphics(MemoryDc());
        DrawButtonInto(graphics, i, state);
    }
    Present();
}

void SkinWindow::DrawAllButtons() {
    const WindowDesc* desc = Desc();
    if (!desc || !MemoryDc() || !Dib()) return;
    win::SelectObjectScope select(MemoryDc(), Dib());
    {
        Graphics graphics(MemoryDc());
        for (int k = 0; k < desc->buttonCount; ++k)
            DrawButtonInto(graphics, k, CurrentState(k));
    }
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
