// The process-wide application module: the instance, the UI thread and the
// registry of message loops by thread, guarded by the module lock.
#pragma once

#include <windows.h>

class MessageLoop;

class AppModule {
  public:
    AppModule();
    ~AppModule();
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    bool Init(HINSTANCE instance);
    void Term();
    bool AddMessageLoop(MessageLoop* loop);
    bool RemoveMessageLoop();
    MessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId());

    HINSTANCE Instance() const { return instance_; }
    HINSTANCE ResourceInstance() const { return instance_; }
    DWORD MainThreadId() const { return mainThreadId_; }

  private:
    struct Entry {
        DWORD threadId;
        MessageLoop* loop;
    };
    static constexpr int kMaxLoops = 16;

    CRITICAL_SECTION lock_;
    HINSTANCE instance_ = nullptr;
    DWORD mainThreadId_ = 0;
    Entry loops_[kMaxLoops] = {};
    int loopCount_ = 0;
};

extern AppModule g_appModule;
