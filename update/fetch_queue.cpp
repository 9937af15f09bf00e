#include "update/fetch_queue.h"

#include "core/text.h"
#include "update/package.h"

namespace {

// How often a waiting side looks at the cancel flag, which is set without a
// wake-up.
const DWORD kCancelPollMs = 100;

class SrwGuard {
  public:
    explicit SrwGuard(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
    ~SrwGuard() { ReleaseSRWLockExclusive(lock_); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

  private:
    SRWLOCK* lock_;
};

int ClampFetches(int fetches) {
    return fetches < 1 ? 1 : fetches > kParallelFetches ? kParallelFetches : fetches;
}

} // namespace

bool MayStartPackage(size_t next, size_t count, size_t released, int fetches) {
    return next < count && next < released + static_cast<size_t>(ClampFetches(fetches));
}

FetchQueue::FetchQueue(size_t count, UrlFor urlFor, UpdateProgress& progress)
    : count_(count), urlFor_(std::move(urlFor)), progress_(progress),
      fetches_(ClampFetches(progress.fetches)) {
    int wanted = count < size_t(fetches_) ? static_cast<int>(count) : fetches_;
    for (int t = 0; t < wanted; ++t) {
        threads_[threadCount_].Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
        if (threads_[threadCount_]) ++threadCount_;
    }
}

FetchQueue::~FetchQueue() {
    {
        SrwGuard guard(&lock_);
        stop_ = true;
    }
    WakeAllConditionVariable(&changed_);
    for (int t = 0; t < threadCount_; ++t)
        WaitForSingleObject(threads_[t].Get(), INFINITE);
}

DWORD WINAPI FetchQueue::ThreadMain(void* self) {
    static_cast<FetchQueue*>(self)->Work();
    return 0;
}

std::unique_ptr<char[]> FetchQueue::FetchOne(HttpSession& session, size_t i, DWORD* length) {
    wchar_t url[260] = {};
    if (!urlFor_(i, url)) return nullptr;
    return session.Fetch(url, length, kPackageMaxBytes, &progress_);
}

void FetchQueue::Work() {
    HttpSession session;
    for (;;) {
        size_t i = 0;
        {
            SrwGuard guard(&lock_);
            while (!stop_ && !progress_.Cancelled() &&
                   !MayStartPackage(next_, count_, released_, fetches_))
                SleepConditionVariableSRW(&changed_, &lock_, kCancelPollMs, 0);
            if (stop_ || progress_.Cancelled()) return;
            i = next_++;
        }
        DWORD length = 0;
        std::unique_ptr<char[]> body = FetchOne(session, i, &length);
        {
            SrwGuard guard(&lock_);
            Slot& slot = slots_[i % fetches_];
            slot.body = std::move(body);
            slot.length = length;
            slot.done = true;
        }
        WakeAllConditionVariable(&changed_);
    }
}

std::unique_ptr<char[]> FetchQueue::Take(size_t i, DWORD* length) {
    if (i >= count_) return nullptr;
    if (threadCount_ == 0) {
        if (!ownSession_) ownSession_.reset(new (std::nothrow) HttpSession);
        if (!ownSession_ || progress_.Cancelled()) return nullptr;
        return FetchOne(*ownSession_, i, length);
    }
    SrwGuard guard(&lock_);
    Slot& slot = slots_[i % fetches_];
    while (!slot.done && !progress_.Cancelled())
        SleepConditionVariableSRW(&changed_, &lock_, kCancelPollMs, 0);
    if (!slot.done) return nullptr;
    slot.done = false;
    *length = slot.length;
    return std::move(slot.body);
}

void FetchQueue::Release() {
    {
        SrwGuard guard(&lock_);
        ++released_;
    }
    WakeAllConditionVariable(&changed_);
}

int FetchAndExtractInOrder(const PackageJob* jobs, size_t count, const wchar_t* updateUrl,
                           int version, const wchar_t* launcherDir, const wchar_t* updateDir,
                           wchar_t* newLauncher, UpdateProgress& progress) {
    progress.filesTotal = static_cast<int>(count);
    FetchQueue queue(
        count,
        [=](size_t i, wchar_t* url) {
            wchar_t member[MAX_PATH] = {};
            return Utf8ToField(jobs[i].member, member, MAX_PATH) &&
                   PackageUrl(updateUrl, version, member, url);
        },
        progress);
    int launcherFiles = 0;
    for (size_t i = 0; i < count && !progress.Cancelled(); ++i) {
        DWORD length = 0;
        std::unique_ptr<char[]> body = queue.Take(i, &length);
        // A cancel lets the file being replaced finish, and starts no other.
        if (body && !progress.Cancelled()) {
            int n = ExtractPackage(jobs[i].isLauncher ? updateDir : launcherDir, body.get(), length,
                                   jobs[i].isLauncher ? newLauncher : nullptr, jobs[i].only);
            if (jobs[i].isLauncher) launcherFiles += n;
        }
        body.reset();
        queue.Release();
        ++progress.filesDone;
    }
    return launcherFiles;
}
