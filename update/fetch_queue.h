// The packages of one update, fetched on up to kParallelFetches threads, each
// with an HTTP session of its own, and handed over one at a time in list order,
// so that extraction and replacement keep the manifest's order.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "update/http_fetch.h"
#include "update/update_progress.h"
#include "win/scoped.h"

// Whether package next may start while released packages have been handed
// over and let go: at most fetches packages are under way or held at once.
bool MayStartPackage(size_t next, size_t count, size_t released, int fetches);

class FetchQueue {
  public:
    // Writes package i's URL (260 characters); false skips the package.
    // Called on the fetch threads.
    using UrlFor = std::function<bool(size_t i, wchar_t* url)>;

    // Starts fetching count packages; progress (which must outlive the queue)
    // gives the number of threads and the cancel flag, and gets the bytes.
    FetchQueue(size_t count, UrlFor urlFor, UpdateProgress& progress);
    // Stops the fetches and waits for every thread: none outlives the queue.
    ~FetchQueue();
    FetchQueue(const FetchQueue&) = delete;
    FetchQueue& operator=(const FetchQueue&) = delete;

    // Waits for package i, taken in order from 0, and hands over its body;
    // null when it could not be fetched or the update was cancelled. Call
    // Release when the body is gone.
    std::unique_ptr<char[]> Take(size_t i, DWORD* length);
    void Release();

  private:
    struct Slot {
        std::unique_ptr<char[]> body;
        DWORD length = 0;
        bool done = false;
    };
    static DWORD WINAPI ThreadMain(void* self);
    void Work();
    std::unique_ptr<char[]> FetchOne(HttpSession& session, size_t i, DWORD* length);

    const size_t count_;
    const UrlFor urlFor_;
    UpdateProgress& progress_;
    const int fetches_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    // Package i waits in slot i % fetches_: a slot is free again once the
    // package fetches_ before it is released.
    Slot slots_[kParallelFetches];
    size_t next_ = 0;
    size_t released_ = 0;
    bool stop_ = false;
    win::UniqueHandle threads_[kParallelFetches];
    int threadCount_ = 0;
    // Used by Take itself when no thread could be started.
    std::unique_ptr<HttpSession> ownSession_;
};

class SignedMembers;

// A package of the update: its member's name (UTF-8, as the manifest lists it),
// whether the member is the launcher, whose package goes to "update", and,
// with an update key, the only files it may write (see ExtractPackage).
struct PackageJob {
    const char* member = nullptr;
    bool isLauncher = false;
    const SignedMembers* only = nullptr;
};

// Fetches the packages of the jobs from the manifest version's folder below
// updateUrl, and extracts each in job order into launcherDir, or updateDir for
// the launcher (newLauncher, 260 characters, then names the file written
// last). Counts the packages done in progress, and stops at its cancel.
// Returns the number of files written from the launcher's package.
int FetchAndExtractInOrder(const PackageJob* jobs, size_t count, const wchar_t* updateUrl,
                           int version, const wchar_t* launcherDir, const wchar_t* updateDir,
                           wchar_t* newLauncher, UpdateProgress& progress);
