// A stand-in for the launcher's window phase that crashes inside a window
// procedure dispatched by a message loop; the crash test runs it as a child.
#include "core/crash_dump.h"

#include <cstdio>

namespace {

int* volatile g_nowhere = nullptr;

LRESULT CALLBACK CrashingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) *g_nowhere = 1; // access violation
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int CrashingPhase(const wchar_t*, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CrashingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CrashProbe";
    RegisterClassW(&wc);
    PostMessageW(
        CreateWindowW(L"CrashProbe", L"", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr),
        WM_APP, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 7; // never reached when the guard works
}

} // namespace

int main() {
    int r = RunGuarded(CrashingPhase, L"", SW_SHOWNORMAL);
    printf("phase returned %d\n", r);
    return r;
}
