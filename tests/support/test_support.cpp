#include "support/test_support.h"

#include "core/messages.h"
#include "support/launcher_dir.h"
#include "web/start_game.h"

#include <algorithm>
#include <cstdio>

namespace testing_support {

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (int i = 0; i < 1000 && path_.empty(); ++i) {
        wchar_t name[MAX_PATH];
        swprintf(name, MAX_PATH, L"%lslumora-test-%lu-%ld", base, GetCurrentProcessId(),
                 InterlockedIncrement(&counter));
        if (CreateDirectoryW(name, nullptr)) path_ = name;
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) RemoveTree(path_);
}

void ForEachIn(const std::wstring& dir, const EntryFn& fn) {
    WIN32_FIND_DATAW fd;
    win::UniqueFind h(FindFirstFileW((dir + L"\\*").c_str(), &fd));
    for (bool more = h.Valid(); more; more = FindNextFileW(h.Get(), &fd))
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            fn(dir + L"\\" + fd.cFileName, fd);
}

void RemoveTree(const std::wstring& dir) {
    ForEachIn(dir, [](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        bool link = fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (folder && !link) return RemoveTree(full);
        // A link goes itself; what it points at is not ours.
        if (!link) SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        folder ? RemoveDirectoryW(full.c_str()) : DeleteFileW(full.c_str());
    });
    RemoveDirectoryW(dir.c_str());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    win::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return h && WriteFile(h.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    win::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    char buf[65536];
    DWORD got = 0;
    for (bytes.clear(); h && ReadFile(h.Get(), buf, sizeof buf, &got, nullptr) && got;)
        bytes.append(buf, got);
    return h.Valid();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    ForEachIn(from, [&](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        std::wstring dest = to + L"\\" + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(full, dest);
        else
            CopyFileW(full.c_str(), dest.c_str(), FALSE);
    });
}

// A text has no more UTF-16 units than UTF-8 bytes, and a unit takes at most
// three bytes.
std::wstring Widen(const std::string& utf8) {
    std::wstring out(utf8.size(), L'\0');
    out.resize(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &out[0], int(out.size())));
    return out;
}

std::string Narrow(const std::wstring& text) {
    std::string out(3 * text.size(), '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &out[0],
                                   int(out.size()), nullptr, nullptr));
    return out;
}

static std::wstring WindowsPath(const char* root, const std::string& relative) {
    std::wstring w = L"Z:" + Widen(std::string(root) + "/" + relative);
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return w;
}

std::wstring SourcePath(const std::string& relative) {
    return WindowsPath(LUMORA_SOURCE_DIR, relative);
}

std::wstring BinaryPath(const std::string& relative) {
    return WindowsPath(LUMORA_BINARY_DIR, relative);
}

int RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
               DWORD timeoutMs, std::string* output) {
    // The output goes to a file: unlike a pipe it never blocks the program.
    TempDir outDir;
    std::wstring outPath = outDir / L"output";
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    win::UniqueHandle out(output ? CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                               CREATE_ALWAYS, 0, nullptr)
                                 : nullptr);
    win::UniqueHandle process =
        StartProgram(exe, args, workDir, nullptr, out ? out.Get() : nullptr);
    out.Reset();
    if (!process) return -1;
    DWORD code = DWORD(-1);
    const bool ended = WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(process.Get(), &code);
    if (!ended) TerminateProcess(process.Get(), 99);
    WaitForSingleObject(process.Get(), 5000);
    if (output) ReadFileBytes(outPath, *output);
    return static_cast<int>(code);
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            if (msg.message == WM_QUIT) return PostQuitMessage(int(msg.wParam));
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

RecordingWindow::RecordingWindow() {
    WNDCLASSW wc = {0,       Proc,    0,       0,       GetModuleHandleW(nullptr),
                    nullptr, nullptr, nullptr, nullptr, L"LumoraTestRecorder"};
    RegisterClassW(&wc); // a second registration fails harmlessly
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"recorder", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RecordingWindow::~RecordingWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int RecordingWindow::Count(UINT message, WPARAM wParam) const {
    int n = 0;
    for (const MSG& m : received)
        n += m.message == message && (wParam == ~WPARAM(0) || m.wParam == wParam);
    return n;
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    bool own = message >= WM_PAGE_LOADED && message <= WM_TOGGLE_MAXIMIZE;
    if (!self || (!own && message != WM_SYSCOMMAND && message != WM_CLOSE))
        return DefWindowProcW(hwnd, message, wParam, lParam);
    self->received.push_back({hwnd, message, wParam, lParam, 0, {}});
    if (message == WM_START_GAME) {
        auto* url = reinterpret_cast<wchar_t*>(lParam);
        self->urls.push_back(url ? url : L"");
        FreeStartGameUrl(url);
    }
    return 0;
}

} // namespace testing_support
