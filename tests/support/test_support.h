// Shared helpers of the test programs: temporary launcher directories, file
// contents, paths of the source and build trees as Wine sees them, processes,
// the thread's message pump and a window that records what it is sent.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under the temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

// Calls fn with the full path and find data of each entry directly in dir.
using EntryFn = std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& fd)>;
void ForEachIn(const std::wstring& dir, const EntryFn& fn);
void RemoveTree(const std::wstring& dir);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool FileExists(const std::wstring& path);
// Copies a directory with everything below it.
void CopyTree(const std::wstring& from, const std::wstring& to);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);

// A path of the source or build tree (given with "/"), as a Windows path.
std::wstring SourcePath(const std::string& relative);
std::wstring BinaryPath(const std::string& relative);

// Starts a program and waits for it; returns its exit code, or -1 when it
// could not be started or did not end within the time-out (it is then killed).
int RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
               DWORD timeoutMs, std::string* output = nullptr);

// Dispatches this thread's messages for ms milliseconds; a WM_QUIT ends the
// pump early and is posted again for the caller to find.
void Pump(DWORD ms);

// A hidden top-level window that records WM_SYSCOMMAND, WM_CLOSE and the
// launcher's private messages and carries none of them out (so no system
// move loop starts). A WM_START_GAME URL is kept as text and freed the way
// the main window must.
class RecordingWindow {
  public:
    RecordingWindow();
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;
    HWND Get() const { return hwnd_; }
    // How many times message came, with that wParam unless it is ~0.
    int Count(UINT message, WPARAM wParam = ~WPARAM(0)) const;

    std::vector<MSG> received;
    std::vector<std::wstring> urls;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

} // namespace testing_support
