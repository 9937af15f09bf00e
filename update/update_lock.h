// One update at a time per launcher directory: a named mutex whose name comes
// from the directory's full path, held for the whole update.
#pragma once

#include <windows.h>

#include <cstddef>

#include "win/scoped.h"

// The mutex name for a directory given by its full path: the path with its
// trailing separators dropped and its case folded, hashed into a fixed-size
// name in the session's namespace, so that any path fits the name rules (no
// "\" after the namespace, at most MAX_PATH characters). cap counts the
// terminator; false, out empty, for no path or too small a cap.
bool UpdateLockName(const wchar_t* fullPath, wchar_t* out, size_t cap);

// Holds the directory's update lock from construction to destruction, waiting
// while another launcher's update holds it. A lock that cannot be made is not
// waited for: the update then runs unguarded rather than not at all.
class UpdateLock {
  public:
    explicit UpdateLock(const wchar_t* dir);
    ~UpdateLock();
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;
    bool Held() const { return held_; }

  private:
    win::UniqueHandle mutex_;
    bool held_ = false;
};
