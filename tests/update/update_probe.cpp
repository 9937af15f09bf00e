// Stands in for a launcher in the self-update tests: writes its command line
// into "marker.txt" beside itself; with "wait" it then idles for a minute, as
// a second running instance would.
#include <windows.h>

#include <cwchar>
#include <shlwapi.h>

int wmain() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAppendW(path, L"marker.txt");
    const wchar_t* line = GetCommandLineW();
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        WriteFile(f, line, static_cast<DWORD>(wcslen(line) * sizeof(wchar_t)), &n, nullptr);
        CloseHandle(f);
    }
    if (wcsstr(line, L"wait")) Sleep(60000);
    return 0;
}
