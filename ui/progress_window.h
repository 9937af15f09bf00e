// The window a long update shows: the loading picture with the update's
// progress drawn over it as two bars, packages done and bytes received.
#pragma once

#include "ui/layered_window.h"

namespace ui {

struct ProgressFigures {
    int filesDone = 0, filesTotal = 0;
    long long bytesDone = 0, bytesTotal = 0; // bytesTotal 0: no length known yet

    bool operator==(const ProgressFigures& o) const {
        return filesDone == o.filesDone && filesTotal == o.filesTotal && bytesDone == o.bytesDone &&
               bytesTotal == o.bytesTotal;
    }
};

// Where the bars go on a width x height picture, and how far each is filled:
// files done of files to fetch, and bytes received of the bytes announced.
// The bytes bar is empty (right == left) while no length is known.
struct ProgressLayout {
    RECT track = {}; // the whole bar's ground
    RECT files = {}; // the filled part of the files bar
    RECT bytes = {}; // the filled part of the thin bytes bar below it
};
ProgressLayout LayOutProgress(int width, int height, const ProgressFigures& f);

// Composes the window's picture at out's size: the picture (premultiplied,
// stretched over it) or, when that is empty, a plain dark ground, with the
// bars of LayOutProgress over it.
void ComposeProgress(const PixelImage& picture, const ProgressFigures& f, const PixelView& out);

class ProgressWindow : public LayeredWindow {
  public:
    explicit ProgressWindow(AppModule& module) : LayeredWindow(module) {}
    ~ProgressWindow() override;

    // Creates the window with the picture at picture (a plain ground when it
    // cannot be loaded), centred in the work area like the loading window,
    // and shows it.
    HWND Create(const wchar_t* title, const wchar_t* picture, const ProgressFigures& f);
    // Redraws when the figures changed.
    void Show(const ProgressFigures& f);
    // Whether the player asked to close the window.
    bool CloseRequested() const { return closeRequested_; }

    bool ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

  protected:
    void Compose(const PixelView& surface) override;

  private:
    ProgressFigures figures_;
    bool closeRequested_ = false;
};

} // namespace ui
