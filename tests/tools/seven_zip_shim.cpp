// A Windows stand-in for 7z.exe in the tests: Wine starts a Linux program
// without a process to wait on, so this runs the Linux 7zz through
// seven_zip.sh and waits for the exit code it leaves in a marker file.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring marker =
        std::wstring(temp) + L"seven-zip-shim-" + std::to_wstring(GetCurrentProcessId()) + L".rc";
    DeleteFileW(marker.c_str());
    std::wstring script = L"Z:" SEVEN_ZIP_SCRIPT;
    for (auto& c : script)
        if (c == L'/') c = L'\\';
    std::wstring cmd = L"\"" + script + L"\" \"" + marker + L"\"";
    for (int i = 1; i < argc; ++i)
        cmd += L" \"" + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(script.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        fprintf(stderr, "seven_zip_shim: cannot start the script (%lu)\n", GetLastError());
        return 98;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int waited = 0; waited < 60000; waited += 20) {
        HANDLE f = CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            char text[16] = {};
            DWORD got = 0;
            ReadFile(f, text, sizeof text - 1, &got, nullptr);
            CloseHandle(f);
            DeleteFileW(marker.c_str());
            return atoi(text);
        }
        Sleep(20);
    }
    fprintf(stderr, "seven_zip_shim: 7zz did not finish\n");
    return 99;
}
