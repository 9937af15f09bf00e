#include "core/crash_dump.h"

#include "win/scoped.h"

#include <cstdio>
#include <dbghelp.h>

void WriteCrashDump(EXCEPTION_POINTERS* exception) {
    HANDLE raw = CreateFileA("MiniDump.dmp", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    win::UniqueHandle file(raw);
    if (!file) {
        printf("CreateFile failed. Error: %u \n", static_cast<unsigned>(GetLastError()));
        fflush(stdout);
        return;
    }
    MINIDUMP_EXCEPTION_INFORMATION info;
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    if (MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                          exception ? &info : nullptr, nullptr, nullptr)) {
        printf("Minidump created.\n");
    } else {
        printf("MiniDumpWriteDump failed. Error: %u \n", static_cast<unsigned>(GetLastError()));
    }
    fflush(stdout);
}

namespace {

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
    WriteCrashDump(exception);
    // The exception counts as handled: the run ends quietly, without the
    // clean-up of the later steps.
    ExitProcess(0);
    return EXCEPTION_EXECUTE_HANDLER;
}

// 64-bit Windows swallows exceptions that escape window procedures called
// back from the kernel unless the process asks otherwise; without this a
// crash in a window procedure would never reach the filter.
void StopSwallowingCallbackExceptions() {
    using GetPolicy = BOOL(WINAPI*)(LPDWORD);
    using SetPolicy = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    auto get = reinterpret_cast<GetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    auto set = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    const DWORD kCallbackFilterEnabled = 0x1;
    if (get && set && get(&flags)) set(flags & ~kCallbackFilterEnabled);
}

} // namespace

int RunGuarded(WindowPhase phase, const wchar_t* commandLine, int showCommand) {
    StopSwallowingCallbackExceptions();
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(CrashFilter);
    int result = phase(commandLine, showCommand);
    SetUnhandledExceptionFilter(previous);
    return result;
}
