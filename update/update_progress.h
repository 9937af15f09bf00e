// What a running update tells the window that shows it, and the one thing the
// window may ask of it: to stop. Written by the update's threads, read by any.
#pragma once

#include <atomic>

// Packages fetched at once. Each holds its whole body in memory until it is
// extracted, so this is also the most packages held at any time.
const int kParallelFetches = 4;

struct UpdateProgress {
    // Packages fetched at once; 1 fetches each after the one before is in place.
    int fetches = kParallelFetches;
    // Set to end the update: no package is started or extracted after it, and
    // the file being replaced is finished or left as it was.
    std::atomic<bool> cancel{false};
    std::atomic<int> filesTotal{0}; // packages to fetch
    std::atomic<int> filesDone{0};  // of those, extracted or given up
    // Over the packages whose length the server has announced so far.
    std::atomic<long long> bytesTotal{0};
    std::atomic<long long> bytesDone{0};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
};
