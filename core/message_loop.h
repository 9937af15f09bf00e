// The thread's message loop: every message is offered to the registered
// filters, newest first, before it is translated and dispatched.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdlib>

class MessageFilter {
  public:
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslateMessage(MSG* msg) = 0;

  protected:
    ~MessageFilter() = default;
};

class IdleHandler {
  public:
    virtual bool OnIdle() = 0;

  protected:
    ~IdleHandler() = default;
};

// A growable list of pointers whose capacity goes 0, 1, then doubles; a
// failed growth leaves the list as it was.
template <typename T> class PtrList {
  public:
    PtrList() = default;
    ~PtrList() { std::free(items_); }
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;
    bool Add(T* item) {
        if (size_ == capacity_) {
            size_t cap = capacity_ == 0 ? 1 : capacity_ * 2;
            void* grown = std::realloc(items_, cap * sizeof(T*));
            if (!grown) return false;
            items_ = static_cast<T**>(grown);
            capacity_ = cap;
        }
        items_[size_++] = item;
        return true;
    }
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }
    T* operator[](size_t i) const { return items_[i]; }

  private:
    T** items_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

class MessageLoop {
  public:
    bool AddMessageFilter(MessageFilter* filter);
    bool AddIdleHandler(IdleHandler* handler);
    // Runs until the quit message and returns its wParam.
    int Run();
    bool PreTranslateMessage(MSG* msg);
    bool OnIdle(int idleCount);

  private:
    PtrList<MessageFilter> filters_;
    PtrList<IdleHandler> idleHandlers_;
    MSG msg_{};
};

// Messages that arrive in a steady stream and so do not restart idle work.
bool IsIdleNeutralMessage(UINT message);
