// Launcher directories and the launcher run in them, links made beside Wine,
// and the pauses between attempts on held files.
#pragma once

#include <windows.h>

#include "update/file_ops.h"
#include "win/scoped.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// The file's bytes, or "<missing>" when it cannot be read.
std::string FileText(const std::wstring& path);

// Lays out a launcher directory in dir: exe copied in as Lumora2.exe, the
// sample skin, and the sample static.json with the keys given put first (the
// first of two equal keys wins). Returns the launcher's path.
std::wstring MakeLauncherDir(const std::wstring& dir, const std::wstring& exe,
                             const std::vector<std::pair<std::string, std::string>>& keys);
// Turns the progress window off, which RunLauncher would otherwise take.
const std::pair<std::string, std::string> kProgressOff = {"update_progress", "off"};

// Starts exe with args in dir (none: this one's) without waiting, its output
// into an inheritable handle if given; the process, or an empty owner.
win::UniqueHandle StartProgram(const std::wstring& exe, const std::wstring& args,
                               const std::wstring& dir, DWORD* pid = nullptr,
                               HANDLE output = nullptr);

struct LauncherRun {
    DWORD startedPid = 0;
    DWORD windowPid = 0; // 0: no window came up
    DWORD exitCode = 99; // of the process whose window was closed
};
// Starts the launcher at exe (in its folder) with args, waits for a visible
// window of any process of that file, calls whileShown, closes the window and
// waits for its process to end.
LauncherRun RunLauncher(const std::wstring& exe, const std::wstring& args,
                        const std::function<void()>& whileShown = nullptr);

// A Unix symbolic link to the folder target, which Wine shows as a junction:
// at linkUnix, or (empty) at linkWindows below a Wine drive; seenAs is where
// Wine shows it. The link goes with the object.
class UnixLink {
  public:
    UnixLink(const std::wstring& target, const std::wstring& linkWindows, std::string linkUnix,
             const std::wstring& seenAs);
    ~UnixLink();
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;
    bool Made() const { return made_; }

  private:
    std::string link_;
    std::wstring seenAs_;
    bool made_ = false;
};

// While it lives, var holds value; the old value comes back after.
template <class T> struct Override {
    Override(T& var, T value) : var_(var), saved_(var) { var = value; }
    ~Override() { var_ = saved_; }
    Override(const Override&) = delete; // assigning is refused by the reference
    T& var_;
    T saved_;
};

// While it lives, the pauses before renewed attempts on held files are counted.
inline int g_pauses = 0;
struct CountedPauses : Override<void (*)(DWORD)> {
    CountedPauses() : Override(g_retryPause, [](DWORD) { ++g_pauses; }) { g_pauses = 0; }
    int Count() const { return g_pauses; }
};

// "s" in double quotes, for a command line.
inline std::wstring Quote(const std::wstring& s) {
    return L"\"" + s + L"\"";
}
// Names directly in dir (files only when asked): leftovers would show here.
int CountEntries(const std::wstring& dir, bool filesOnly = false);

} // namespace testing_support
