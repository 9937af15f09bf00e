#include "tools/skin_render.h"

#include "core/app_module.h"
#include "core/static_config.h"
#include "ui/skin_geometry.h"
#include "ui/skin_window.h"

namespace {

bool CopySurface(const ui::LayeredWindow& window, SkinPixels& out) {
    const ui::PixelView surface = window.Surface();
    out.width = surface.width;
    out.height = surface.height;
    out.argb.clear();
    if (!surface.pixels || out.width <= 0 || out.height <= 0) return false;
    out.argb.reserve(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        out.argb.insert(out.argb.end(), surface.Row(y), surface.Row(y) + out.width);
    return true;
}

} // namespace

// The windows are created hidden and driven as the main window drives them:
// the first layout's background sizes the frame before it is created.
bool RenderSkin(const StaticConfig& config, int index, int width, int height, bool hovered,
                SkinPixels& out) {
    AppModule module;
    if (index == kLoadingPicture) {
        ui::LoadingWindow loading(module);
        loading.SetBackgroundImage(config.loading);
        if (!loading.Create(nullptr, L"")) return false;
        loading.Render(width, height);
        return CopySurface(loading, out);
    }
    const WindowDesc* first = config.Window(config.firstWindow);
    const WindowDesc* desc = config.Window(index);
    if (!first || !desc) return false;
    ui::SkinWindow skin(config, module);
    skin.SetBackgroundImage(first->background);
    if (!skin.Create(nullptr, L"")) return false;
    skin.Render(0, 0);
    skin.SetWindowIndex(index);
    skin.Render(width, height);
    for (int k = 0; hovered && k < desc->buttonCount; ++k)
        skin.DrawButton(k, kButtonHover);
    return CopySurface(skin, out);
}
