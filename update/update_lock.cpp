#include "update/update_lock.h"

#include <cstdint>
#include <cwchar>
#include <memory>
#include <new>

bool UpdateLockName(const wchar_t* fullPath, wchar_t* out, size_t cap) {
    if (out && cap) out[0] = L'\0';
    if (!fullPath || !out) return false;
    size_t n = wcslen(fullPath);
    while (n > 0 && (fullPath[n - 1] == L'\\' || fullPath[n - 1] == L'/'))
        --n;
    if (n == 0) return false;
    // FNV-1a over the upper-cased UTF-16 units, in pieces so that a path of
    // any length is folded without a buffer of its length.
    uint64_t hash = 14695981039346656037ull;
    wchar_t piece[256];
    for (size_t at = 0; at < n;) {
        DWORD take = static_cast<DWORD>(n - at < 256 ? n - at : 256);
        wmemcpy(piece, fullPath + at, take);
        wchar_t upper[256];
        // Invariant, so that every launcher on the machine folds alike.
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, piece, int(take), upper,
                          int(take), nullptr, nullptr, 0) == int(take))
            wmemcpy(piece, upper, take);
        for (DWORD k = 0; k < take; ++k) {
            // "/" and "\" name the same folder.
            wchar_t c = piece[k] == L'/' ? L'\\' : piece[k];
            hash = (hash ^ (c & 0xFF)) * 1099511628211ull;
            hash = (hash ^ (c >> 8)) * 1099511628211ull;
        }
        at += take;
    }
    int written = swprintf(out, cap, L"Local\\Lumora2.update.%08lx%08lx",
                           static_cast<unsigned long>(hash >> 32),
                           static_cast<unsigned long>(hash & 0xFFFFFFFFu));
    if (written < 0 || size_t(written) >= cap) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

UpdateLock::UpdateLock(const wchar_t* dir) {
    if (!dir || !dir[0]) return;
    // The full, long form, so that every spelling of one folder gives one name.
    DWORD need = GetFullPathNameW(dir, 0, nullptr, nullptr);
    if (need == 0) return;
    std::unique_ptr<wchar_t[]> full(new (std::nothrow) wchar_t[need]);
    if (!full || GetFullPathNameW(dir, need, full.get(), nullptr) >= need) return;
    DWORD longNeed = GetLongPathNameW(full.get(), nullptr, 0);
    std::unique_ptr<wchar_t[]> longer(longNeed ? new (std::nothrow) wchar_t[longNeed] : nullptr);
    const wchar_t* path = full.get();
    if (longer && GetLongPathNameW(full.get(), longer.get(), longNeed) < longNeed)
        path = longer.get();
    wchar_t name[64];
    if (!UpdateLockName(path, name, 64)) return;
    mutex_.Reset(CreateMutexW(nullptr, FALSE, name));
    if (!mutex_) return;
    // An abandoned lock (its launcher ended mid-update) is ours all the same.
    DWORD waited = WaitForSingleObject(mutex_.Get(), INFINITE);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

UpdateLock::~UpdateLock() {
    if (held_) ReleaseMutex(mutex_.Get());
}
