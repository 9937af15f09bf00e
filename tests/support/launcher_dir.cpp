#include "support/launcher_dir.h"

#include "support/test_support.h"

namespace testing_support {

std::string FileText(const std::wstring& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

std::wstring MakeLauncherDir(const std::wstring& dir, const std::wstring& exe,
                             const std::vector<std::pair<std::string, std::string>>& keys) {
    std::wstring launcher = dir + L"\\Lumora2.exe";
    CopyFileW(exe.c_str(), launcher.c_str(), FALSE);
    CopyTree(SourcePath("demo/skin"), dir + L"\\skin");
    std::string json;
    ReadFileBytes(SourcePath("demo/static.json"), json);
    for (const auto& key : keys)
        json.insert(json.find('{') + 1, "\"" + key.first + "\": \"" + key.second + "\", ");
    WriteFileBytes(dir + L"\\static.json", json);
    return launcher;
}

win::UniqueHandle StartProgram(const std::wstring& exe, const std::wstring& args,
                               const std::wstring& dir, DWORD* pid, HANDLE output) {
    std::wstring cmd = Quote(exe) + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = output;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, output != nullptr, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return win::UniqueHandle();
    CloseHandle(pi.hThread);
    if (pid) *pid = pi.dwProcessId;
    return win::UniqueHandle(pi.hProcess);
}

LauncherRun RunLauncher(const std::wstring& exe, const std::wstring& args,
                        const std::function<void()>& whileShown) {
    LauncherRun run;
    win::UniqueHandle started =
        StartProgram(exe, args, exe.substr(0, exe.rfind(L'\\')), &run.startedPid);
    // A visible window of any process of that file: a self-update starts another.
    HWND found = nullptr;
    for (int i = 0; i < 1200 && started && !found; ++i, Sleep(50)) {
        for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, nullptr, nullptr));) {
            GetWindowThreadProcessId(w, &run.windowPid);
            win::UniqueHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, 0, run.windowPid));
            wchar_t image[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            if (IsWindowVisible(w) && p && QueryFullProcessImageNameW(p.Get(), 0, image, &size) &&
                lstrcmpiW(image, exe.c_str()) == 0)
                found = w;
        }
    }
    if (!found) {
        TerminateProcess(started.Get(), 99);
        return LauncherRun{run.startedPid};
    }
    win::UniqueHandle shown(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, run.windowPid));
    if (whileShown) whileShown();
    PostMessageW(found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(shown.Get(), 30000) != WAIT_OBJECT_0) TerminateProcess(shown.Get(), 99);
    GetExitCodeProcess(shown.Get(), &run.exitCode);
    return run;
}

namespace {

std::string UnixPathOf(const std::wstring& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = fn ? fn(path.c_str()) : nullptr;
    std::string out = unix ? unix : "";
    if (unix) HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Wine does not wait for a Unix program: what it does to path is waited for.
bool RunUnix(const std::string& command, const std::wstring& path, bool present) {
    RunProgram(L"Z:\\bin\\" + Widen(command.substr(0, 2)), Widen(command.substr(3)), L"", 10000);
    for (int i = 0; i < 200 && FileExists(path) != present; ++i)
        Sleep(25);
    return FileExists(path) == present;
}

} // namespace

UnixLink::UnixLink(const std::wstring& target, const std::wstring& linkWindows,
                   std::string linkUnix, const std::wstring& seenAs)
    : link_(linkUnix.empty() ? UnixPathOf(linkWindows) : linkUnix), seenAs_(seenAs) {
    std::string to = UnixPathOf(target);
    made_ = !to.empty() && !link_.empty() &&
            RunUnix("ln -sfn \"" + to + "\" \"" + link_ + "\"", seenAs_, true);
}

UnixLink::~UnixLink() {
    if (!link_.empty()) RunUnix("rm -f \"" + link_ + "\"", seenAs_, false);
}

int CountEntries(const std::wstring& dir, bool filesOnly) {
    int n = 0;
    ForEachIn(dir, [&](const std::wstring&, const WIN32_FIND_DATAW& f) {
        n += !filesOnly || !(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    });
    return n;
}

} // namespace testing_support
