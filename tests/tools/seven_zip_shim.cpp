// A Windows stand-in for 7z.exe in the tests: Wine starts a Linux program
// without a process to wait on, so this runs the Linux 7zz through
// seven_zip.sh and waits for the exit code it leaves in a marker file.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring marker = temp + (L"seven-zip-shim-" + std::to_wstring(GetCurrentProcessId()));
    std::wstring script = L"Z:" SEVEN_ZIP_SCRIPT;
    for (auto& c : script)
        if (c == L'/') c = L'\\';
    std::wstring cmd = L"\"" + script + L"\" \"" + marker + L"\"";
    for (int i = 1; i < argc; ++i)
        cmd += L" \"" + std::wstring(argv[i]) + L"\"";
    DeleteFileW(marker.c_str());
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(script.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return fprintf(stderr, "seven_zip_shim: cannot start the script (%lu)\n", GetLastError()),
               98;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int waited = 0; waited < 60000; waited += 20, Sleep(20)) {
        FILE* f = _wfopen(marker.c_str(), L"rb");
        if (!f) continue;
        int rc = 99;
        fscanf(f, "%d", &rc);
        fclose(f);
        DeleteFileW(marker.c_str());
        return rc;
    }
    return fprintf(stderr, "seven_zip_shim: 7zz did not finish\n"), 99;
}
