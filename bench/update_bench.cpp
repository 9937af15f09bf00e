// A no-change update check: RunUpdate against a manifest that lists every
// file of the launcher directory with its correct digest (run under wine64 by
// run_update.sh, which serves the manifest and counts the package requests).
// Prints the time and the process's peak memory before and after the check.
//
// Measured on a 2-core AMD EPYC VM, Debian 12, Wine 8.0 (Debian 8.0~repack-4),
// load 1 to 2 from other builds, page cache warm; median of 7 runs. 1,000
// files, 200.1 MiB (66 bytes to 9 MiB, median 55 KiB, and one of 40 MiB),
// manifest version 3:
//   RunUpdate 0.70 s (about 285 MiB/s of digests), 0 packages fetched
//   PeakWorkingSetSize 15.3 -> 16.8 MiB: +1.5 MiB, the read chunk and the
//   manifest. The digest reads in fixed chunks: with the chunk raised to
//   64 MiB for one trial the peak grew by 40 MiB, the largest file, so the
//   figure does show a whole-file read when there is one.
//   PeakPagefileUsage 3.2 -> 3.3 MiB; Wine 8 gives the current usage here,
//   not a peak, so it says nothing about the largest file.
//
// With --fetch (run_update_fetch.sh): the whole update of an empty directory
// from 200 packages of 4-64 KiB, every request answered 50 ms late by the
// tests' server, once fetching one package after another and once four at a
// time. Same machine, load about 2 from other builds, median of 3 runs:
//   sequential 21.60 s, four at once 5.67 s: 0.26 of sequential, 1.11 x the
//   floor of 5.10 s (the manifest's two requests, then 400 requests over
//   four connections, 50 ms each); the server's log shows each package
//   fetched once per run (200 GETs each), so the figures compare the
//   overlap and nothing else. PeakWorkingSetSize after both runs 22.8 MiB.
#include "core/text.h"
#include "update/file_ops.h"
#include "update/update.h"
#include "update/update_progress.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

void PrintMemory(const char* when) {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    printf("%-6s PeakWorkingSetSize %.1f MiB, PeakPagefileUsage %.1f MiB\n", when,
           pmc.PeakWorkingSetSize / 1048576.0, pmc.PeakPagefileUsage / 1048576.0);
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return double(to.QuadPart - from.QuadPart) / freq.QuadPart;
}

// The whole update of an empty directory, once with the packages fetched one
// after another and once side by side, against the same server.
int FetchBench(const std::wstring& work, const wchar_t* url) {
    double secs[2] = {};
    for (int fetches : {1, kParallelFetches}) {
        const std::wstring dir = work + (fetches == 1 ? L"\\sequential" : L"\\overlapped");
        DeleteDirectoryTree(dir.c_str());
        CreateDirectoryW(dir.c_str(), nullptr);
        UpdateProgress progress;
        progress.fetches = fetches;
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        RunUpdate(dir.c_str(), (dir + L"\\Lumora2.exe").c_str(), url, 2, true, nullptr, &progress);
        QueryPerformanceCounter(&t1);
        secs[fetches != 1] = Seconds(t0, t1);
        printf("%d at once: RunUpdate %.3f s, %d of %d packages\n", fetches, secs[fetches != 1],
               progress.filesDone.load(), progress.filesTotal.load());
    }
    printf("overlapped / sequential %.3f\n", secs[1] / secs[0]);
    PrintMemory("after");
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && wcscmp(argv[1], L"--fetch") == 0) return FetchBench(argv[2], argv[3]);
    if (argc < 3) {
        fwprintf(stderr, L"usage: update_bench LAUNCHER_DIR BASE_URL\n"
                         L"       update_bench --fetch WORK_DIR BASE_URL\n");
        return 2;
    }
    const std::wstring launcher = std::wstring(argv[1]) + L"\\Lumora2.exe";

    PrintMemory("before");
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    bool restarted = RunUpdate(argv[1], launcher.c_str(), argv[2], 2);
    QueryPerformanceCounter(&t1);
    PrintMemory("after");
    printf("RunUpdate %.3f s, restart %s\n", double(t1.QuadPart - t0.QuadPart) / freq.QuadPart,
           restarted ? "yes" : "no");
    return restarted ? 1 : 0;
}
