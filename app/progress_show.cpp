#include "app/progress_show.h"

#include "ui/progress_window.h"
#include "update/update_progress.h"
#include "win/gdiplus_scoped.h"

namespace {

// How often the figures are looked at while nothing else wakes the window.
const DWORD kRefreshMs = 100;

ui::ProgressFigures FiguresOf(const UpdateProgress& p) {
    ui::ProgressFigures f;
    f.filesDone = p.filesDone.load();
    f.filesTotal = p.filesTotal.load();
    f.bytesDone = p.bytesDone.load();
    f.bytesTotal = p.bytesTotal.load();
    return f;
}

} // namespace

ProgressShow::ProgressShow(AppModule& module, const wchar_t* title, const wchar_t* picture,
                           UpdateProgress& progress)
    : module_(module), title_(title), picture_(picture), progress_(progress),
      done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (done_) thread_.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
}

ProgressShow::~ProgressShow() {
    if (!thread_) return;
    SetEvent(done_.Get());
    WaitForSingleObject(thread_.Get(), INFINITE);
}

DWORD WINAPI ProgressShow::ThreadMain(void* self) {
    static_cast<ProgressShow*>(self)->Run();
    return 0;
}

void ProgressShow::Run() {
    HANDLE done = done_.Get();
    if (WaitForSingleObject(done, kProgressDelayMs) != WAIT_TIMEOUT) return;
    win::GdiplusSession gdiplus = win::StartGdiplus();
    {
        ui::ProgressWindow window(module_);
        if (!window.Create(title_, picture_, FiguresOf(progress_))) return;
        for (;;) {
            DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, kRefreshMs, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (window.CloseRequested()) progress_.cancel = true;
            window.Show(FiguresOf(progress_));
        }
    } // the window goes before GDI+ does
}
