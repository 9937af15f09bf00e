#include "core/message_loop.h"

bool IsIdleNeutralMessage(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE || message == WM_PAINT ||
           message == 0x0118; // WM_SYSTIMER: the caret blink
}

bool MessageLoop::AddMessageFilter(MessageFilter* filter) {
    return filters_.Add(filter);
}

bool MessageLoop::AddIdleHandler(IdleHandler* handler) {
    return idleHandlers_.Add(handler);
}

bool MessageLoop::PreTranslateMessage(MSG* msg) {
    for (size_t i = filters_.Size(); i-- > 0;) {
        if (filters_[i] && filters_[i]->PreTranslateMessage(msg)) return true;
    }
    return false;
}

bool MessageLoop::OnIdle(int /*idleCount*/) {
    for (size_t i = 0; i < idleHandlers_.Size(); ++i) {
        if (idleHandlers_[i]) idleHandlers_[i]->OnIdle();
    }
    return false;
}

int MessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !PeekMessageW(&msg_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        BOOL got = GetMessageW(&msg_, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) return static_cast<int>(msg_.wParam);
        if (!PreTranslateMessage(&msg_)) {
            TranslateMessage(&msg_);
            DispatchMessageW(&msg_);
        }
        if (!IsIdleNeutralMessage(msg_.message)) {
            doIdle = true;
            idleCount = 0;
        }
    }
}
