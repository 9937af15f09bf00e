// The progress window of a long update, on a thread of its own so that it
// moves and repaints while the update blocks the launcher's main thread.
#pragma once

#include <windows.h>

#include "win/scoped.h"

class AppModule;
struct UpdateProgress;

// How long an update runs unseen before its window comes up.
const DWORD kProgressDelayMs = 1000;

class ProgressShow {
  public:
    // Starts the thread: after kProgressDelayMs it shows picture (the loading
    // picture) with progress's figures until the object goes; closing the
    // window sets progress's cancel. title names the window.
    ProgressShow(AppModule& module, const wchar_t* title, const wchar_t* picture,
                 UpdateProgress& progress);
    // Takes the window down and waits for the thread.
    ~ProgressShow();
    ProgressShow(const ProgressShow&) = delete;
    ProgressShow& operator=(const ProgressShow&) = delete;

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    AppModule& module_;
    const wchar_t* title_;
    const wchar_t* picture_;
    UpdateProgress& progress_;
    win::UniqueHandle done_;
    win::UniqueHandle thread_;
};
