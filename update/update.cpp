#include "update/update.h"

#include "core/json_util.h"
#include "core/text.h"
#include "update/fetch_queue.h"
#include "update/file_ops.h"
#include "update/http_fetch.h"
#include "update/md5.h"
#include "update/signed_update.h"
#include "update/update_lock.h"
#include "update/update_progress.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdint>
#include <new>

bool ShouldFetchMember(const char* localMd5, bool manifestNewer, const char* listedMd5) {
    if (!localMd5) return true; // missing or unreadable: always restored
    if (!manifestNewer) return false;
    return lstrcmpiA(localMd5, listedMd5) != 0;
}

namespace {

// The manifest's "version": its low 32 bits; anything but an integer is 0.
int ManifestVersion(const json_value* root) {
    const json_value* v = JsonMemberOfType(root, "version", json_integer);
    return v ? static_cast<int32_t>(static_cast<uint32_t>(v->u.integer)) : 0;
}

} // namespace

bool RunUpdate(const wchar_t* launcherDir, const wchar_t* launcherPath, const wchar_t* updateUrl,
               int builtInVersion, bool selfUpdate, const char* updateKey,
               UpdateProgress* progress) {
    wchar_t updateDir[MAX_PATH] = {};
    if (!launcherDir || !launcherPath || !updateUrl || !CopyText(updateDir, launcherDir) ||
        !updateDir[0] || !PathAppendW(updateDir, L"update"))
        return false;
    // Another launcher's update of this directory ends first; this one then
    // finds what that one left.
    UpdateLock lock(launcherDir);
    UpdateProgress quiet;
    UpdateProgress& live = progress ? *progress : quiet;
    DeleteDirectoryTree(updateDir);

    wchar_t raw[MAX_PATH] = {};
    if (!CopyText(raw, updateUrl) || !AppendText(raw, L"update.json")) return false;
    wchar_t url[260] = {};
    DWORD urlLen = 260;
    if (UrlCanonicalizeW(raw, url, &urlLen, URL_UNESCAPE | URL_ESCAPE_UNSAFE) != S_OK) return false;
    DWORD length = 0;
    std::unique_ptr<char[]> text;
    const bool keyed = HasUpdateKey(updateKey);
    {
        // The signature comes over the manifest's connection, with its "t".
        HttpSession session;
        const unsigned t = RequestTime();
        text = session.Fetch(url, &length, kManifestMaxBytes, nullptr, t);
        if (!text) return false;
        // With a key, not a single entry is used before the signature verifies.
        if (keyed && !ManifestSignatureValid(session, url, t, updateKey, text.get(), length))
            return false;
    }
    // Cancelled while it waited for another update or for the manifest: no
    // decision is made, so above all no other launcher is ended.
    if (live.Cancelled()) return false;
    JsonTree root = ParseJson(text.get(), length);
    if (!root) return false;

    const int version = ManifestVersion(root.get());
    const bool newer = version > builtInVersion;
    bool restart = false;
    char launcherDigest[33] = {};
    wchar_t newLauncher[MAX_PATH] = {};
    SignedMembers listed, launcherOnly; // what a package may write, with a key
    // What to fetch is decided for every member first, so that the packages
    // can be fetched side by side; they are put in place in this order.
    std::unique_ptr<PackageJob[]> jobs;
    size_t jobCount = 0;
    if (const json_value* files = JsonMemberOfType(root.get(), "files", json_object)) {
        if (keyed) listed.AddManifestFiles(files);
        jobs.reset(new (std::nothrow) PackageJob[files->u.object.length]);
        for (unsigned i = 0; jobs && i < files->u.object.length; ++i) {
            const json_object_entry& m = files->u.object.values[i];
            if (m.value->type != json_string) continue;
            wchar_t member[MAX_PATH] = {};
            // A name that does not fit a path is skipped rather than cut.
            if (!Utf8ToField(m.name, member, MAX_PATH)) continue;
            wchar_t local[MAX_PATH] = {};
            if (!CopyText(local, launcherDir) || !PathAppendW(local, member)) continue;
            char digest[33] = {};
            bool readable = FileMd5Hex(local, digest);
            if (!ShouldFetchMember(readable ? digest : nullptr, newer, m.value->u.string.ptr))
                continue;
            bool isLauncher = StrCmpIW(local, launcherPath) == 0;
            if (isLauncher) {
                // One launcher package per start, and none for a launcher just
                // put in place, whatever the manifest lists: a launcher that
                // differs from its listing would otherwise replace itself for ever.
                if (!selfUpdate || restart) continue;
                // A listed digest too long to hold cannot match any launcher.
                CopyTextA(launcherDigest, m.value->u.string.ptr);
                // Its package may write the new launcher only, into "update".
                if (keyed) launcherOnly.Add(PathFindFileNameW(launcherPath), launcherDigest);
                TerminateProcessesNamed(member);
                restart = true;
            }
            jobs[jobCount++] = {m.name, isLauncher,
                                !keyed       ? nullptr
                                : isLauncher ? &launcherOnly
                                             : &listed};
        }
    }
    int launcherFiles = FetchAndExtractInOrder(jobs.get(), jobCount, updateUrl, version,
                                               launcherDir, updateDir, newLauncher, live);
    jobs.reset();
    root.reset();
    text.reset();

    // A cancelled update starts nothing: the player asked to stop.
    if (!restart || live.Cancelled()) {
        if (restart) DeleteDirectoryTree(updateDir);
        return false;
    }
    // A launcher package that wrote nothing leaves nothing to start, and one
    // whose launcher is not the listed one would fetch itself again: the
    // running launcher carries on instead, without what it fetched.
    char written[33] = {};
    if (launcherFiles == 0 || !newLauncher[0] || !FileMd5Hex(newLauncher, written) ||
        lstrcmpiA(written, launcherDigest) != 0) {
        DeleteDirectoryTree(updateDir);
        return false;
    }
    wchar_t workDir[MAX_PATH] = {};
    CopyText(workDir, newLauncher);
    PathRemoveFileSpecW(workDir);
    ShellExecuteW(nullptr, L"open", newLauncher, L"force", workDir, SW_SHOWNORMAL);
    return true;
}
