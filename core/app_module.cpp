#include "core/app_module.h"

AppModule g_appModule;

namespace {

class Lock {
  public:
    explicit Lock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~Lock() { LeaveCriticalSection(cs_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

  private:
    CRITICAL_SECTION* cs_;
};

} // namespace

AppModule::AppModule() {
    InitializeCriticalSection(&lock_);
}

AppModule::~AppModule() {
    DeleteCriticalSection(&lock_);
}

bool AppModule::Init(HINSTANCE instance) {
    Lock lock(&lock_);
    instance_ = instance;
    mainThreadId_ = GetCurrentThreadId();
    loopCount_ = 0;
    return true;
}

void AppModule::Term() {
    Lock lock(&lock_);
    loopCount_ = 0;
    instance_ = nullptr;
}

bool AppModule::AddMessageLoop(MessageLoop* loop) {
    Lock lock(&lock_);
    DWORD id = GetCurrentThreadId();
    for (int i = 0; i < loopCount_; ++i) {
        if (loops_[i].threadId == id) return false; // one loop per thread
    }
    if (loopCount_ == kMaxLoops) return false;
    loops_[loopCount_++] = {id, loop};
    return true;
}

bool AppModule::RemoveMessageLoop() {
    Lock lock(&lock_);
    DWORD id = GetCurrentThreadId();
    for (int i = 0; i < loopCount_; ++i) {
        if (loops_[i].threadId == id) {
            loops_[i] = loops_[--loopCount_];
            return true;
        }
    }
    return false;
}

MessageLoop* AppModule::GetMessageLoop(DWORD threadId) {
    Lock lock(&lock_);
    for (int i = 0; i < loopCount_; ++i) {
        if (loops_[i].threadId == threadId) return loops_[i].loop;
    }
    return nullptr;
}
