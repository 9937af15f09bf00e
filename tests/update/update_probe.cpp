// Stands in for a launcher: writes its command line into "marker.txt" beside
// itself; with "wait" it then idles for a minute, as a second instance would.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain() {
    wchar_t path[MAX_PATH + 16] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wcscpy(wcsrchr(path, L'\\') + 1, L"marker.txt");
    const wchar_t* line = GetCommandLineW();
    if (FILE* f = _wfopen(path, L"wb")) {
        fwrite(line, sizeof(wchar_t), wcslen(line), f);
        fclose(f);
    }
    if (wcsstr(line, L"wait")) Sleep(60000);
    return 0;
}
