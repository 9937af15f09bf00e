#include "update/self_update.h"

#include "core/text.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace {

// The launcher that started us ends right after starting us; its file stays
// locked until its process is gone.
constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplacePauseMs = 250;

} // namespace

const wchar_t kSelfUpdatedWord[] = L"updated";

bool IsSelfUpdatedCommandLine(const wchar_t* commandLine) {
    return commandLine && StrCmpIW(commandLine, kSelfUpdatedWord) == 0;
}

bool InstalledLauncherPath(const wchar_t* exePath, wchar_t* out, size_t cap) {
    if (!out || cap == 0) return false;
    out[0] = 0;
    wchar_t folder[MAX_PATH] = {};
    if (!exePath || !CopyText(folder, exePath)) return false;
    const wchar_t* name = PathFindFileNameW(exePath);
    if (!name || !*name || name == exePath || !PathRemoveFileSpecW(folder)) return false;
    if (StrCmpIW(PathFindFileNameW(folder), L"update") != 0) return false;
    if (!PathRemoveFileSpecW(folder) || !folder[0]) return false;
    wchar_t installed[MAX_PATH] = {};
    if (!CopyText(installed, folder) || !PathAppendW(installed, name)) return false;
    return CopyText(out, cap, installed);
}

bool FinishSelfUpdate(const wchar_t* commandLine) {
    if (!commandLine || StrCmpIW(commandLine, L"force") != 0) return false;
    wchar_t self[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    wchar_t installed[MAX_PATH] = {};
    if (!InstalledLauncherPath(self, installed, MAX_PATH) || !PathFileExistsW(installed))
        return false;

    // Copied beside the installed launcher first, then moved over it, so that
    // the player is never left with half a launcher.
    wchar_t staged[MAX_PATH] = {};
    if (!CopyText(staged, installed) || !AppendText(staged, L".new")) return false;
    bool replaced = false;
    for (int i = 0; i < kReplaceAttempts && !replaced; ++i) {
        if (i > 0) Sleep(kReplacePauseMs);
        replaced =
            CopyFileW(self, staged, FALSE) &&
            MoveFileExW(staged, installed, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!replaced) DeleteFileW(staged);
    wchar_t dir[MAX_PATH] = {};
    CopyText(dir, installed);
    PathRemoveFileSpecW(dir);
    // Replaced, the installed launcher runs as a player's start would, except
    // that its update never fetches the launcher again; it clears this folder.
    // Not replaced (something holds the file), the old launcher still lets the
    // player in, without the update check that would only bring it back here;
    // the next start tries again.
    ShellExecuteW(nullptr, L"open", installed, replaced ? kSelfUpdatedWord : L"test", dir,
                  SW_SHOWNORMAL);
    return true;
}
