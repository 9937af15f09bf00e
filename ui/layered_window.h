// A top-level layered window whose whole picture is composed off screen and
// handed to the window manager with per-pixel alpha.
#pragma once

#include "core/message_loop.h"
#include "ui/gdiplus_flat.h"
#include "ui/window_base.h"
#include "win/scoped.h"

#include <cstdint>

class AppModule;

namespace ui {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);

class LayeredWindow : public WindowBase, public MessageFilter {
  public:
    // The module gives the thread's message loop, which the window joins as
    // a filter when it is created.
    explicit LayeredWindow(AppModule& module) : module_(module) {}
    ~LayeredWindow() override;

    // Pushes the surface in its current state.
    virtual void Present();

    // Sizes the surface to width x height (0 keeps the stored extent),
    // composes the whole picture and pushes it.
    void Render(int width, int height);

    // Loads the background image and takes its size as the window's.
    void SetBackgroundImage(const wchar_t* path);
    // Sets the surface size used by the next creation or Render.
    void SetSurfaceSize(int width, int height) {
        width_ = width;
        height_ = height;
    }

    bool PreTranslateMessage(MSG* /*msg*/) override { return false; }

    int SurfaceWidth() const { return width_; }
    int SurfaceHeight() const { return height_; }
    // The window's part of the surface (premultiplied BGRA), seen with rows
    // top-down; no pixels when there is no surface.
    PixelView Surface() const;
    // The pixel at (x, y) counted from the top-left corner; 0 outside.
    uint32_t PixelAt(int x, int y) const;

  protected:
    // The common part of WM_CREATE; call before a class's own handling.
    void OnCreateCommon();
    // Composes the whole picture into the window's part of the surface.
    virtual void Compose(const PixelView& surface);

    SkinImage backgroundImage_;

  private:
    // Grows the DIB to hold width x height; false when there is none.
    bool Reserve(int width, int height);

    AppModule& module_;
    win::UniqueLibrary user32_;
    UpdateLayeredWindowFn updateFunction_ = nullptr;
    BLENDFUNCTION blend_ = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    int width_ = 0;
    int height_ = 0;
    // One DIB at the largest size used so far, selected into the memory
    // context for as long as both live. Declared first, so destroyed after
    // the context: a DIB that a context still holds cannot be deleted.
    win::UniqueGdiObject dib_;
    win::UniqueMemoryDc memoryDc_;
    uint32_t* bits_ = nullptr;
    int dibWidth_ = 0;
    int dibHeight_ = 0;
};

} // namespace ui
