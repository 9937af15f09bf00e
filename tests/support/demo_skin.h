// The sample skin of demo/ in a temporary launcher directory, its
// configuration read, and a skin window on it created as the main window
// creates it. The directory is the working one while it lives: the
// configured cursor path is relative to it.
#pragma once

#include "core/app_module.h"
#include "core/static_config.h"
#include "support/test_support.h"
#include "ui/skin_window.h"
#include "win/gdiplus_scoped.h"

#include <gtest/gtest.h>

namespace testing_support {

struct DemoSkin {
    DemoSkin() {
        EXPECT_TRUE(gdiplus);
        CopyTree(SourcePath("demo"), dir.Path());
        SetCurrentDirectoryW(dir.Path().c_str());
        config.LoadStaticConfigFrom(dir.Path().c_str(), L"Lumora 2", L"", L"", 2,
                                    []() -> const wchar_t* { return nullptr; });
        skin.SetBackgroundImage(config.windows[config.firstWindow].background);
        EXPECT_NE(skin.Create(owner.Get(), L"skin"), nullptr);
        skin.Render(0, 0);
    }
    ~DemoSkin() { SetCurrentDirectoryW(SourcePath("").c_str()); }
    // Shows the layout named name at w x h.
    void Show(const char* name, int w, int h) {
        skin.SetWindowIndex(config.FindWindowByName(name));
        MoveWindow(skin.Hwnd(), 0, 0, w, h, TRUE);
        skin.Render(w, h);
    }

    win::GdiplusSession gdiplus = win::StartGdiplus();
    TempDir dir;
    StaticConfig config;
    AppModule module;
    RecordingWindow owner;
    ui::SkinWindow skin{config, module};
};

} // namespace testing_support
