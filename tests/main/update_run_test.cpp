#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "ui/compositor.h"
#include "ui/progress_window.h"
#include "win/scoped.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

std::vector<HWND> VisibleWindowsOf(DWORD pid) {
    Search s = {pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string Entry(const std::string& name, const std::string& bytes) {
    return "\"" + name + "\": \"" + Md5Of(bytes) + "\"";
}

} // namespace

// The bars stay inside the picture and fill by their figures, clamped.
TEST(ProgressWindow, BarsFillByTheFigures) {
    struct {
        int width, height, filesDone, filesTotal;
        long long bytesDone, bytesTotal;
        int filesPermille, bytesPermille;
    } rows[] = {
        {320, 120, 0, 0, 0, 0, 0, 0},         {320, 120, 1, 2, 5, 10, 500, 500},
        {320, 120, 3, 2, 20, 10, 1000, 1000}, {320, 120, 2, 2, 0, 0, 1000, 0},
        {1920, 1080, 1, 4, 1, 1000, 250, 1},  {12, 6, 1, 1, 1, 1, 1000, 1000},
        {320, 120, -1, 2, -5, 10, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.width) + "x" + std::to_string(r.height) + " " +
                     std::to_string(r.filesDone) + "/" + std::to_string(r.filesTotal));
        ui::ProgressFigures f;
        f.filesDone = r.filesDone, f.filesTotal = r.filesTotal;
        f.bytesDone = r.bytesDone, f.bytesTotal = r.bytesTotal;
        ui::ProgressLayout l = ui::LayOutProgress(r.width, r.height, f);
        const RECT& t = l.track;
        EXPECT_TRUE(t.left >= 0 && t.top >= 0 && t.right <= r.width && t.bottom <= r.height);
        EXPECT_LT(t.left, t.right);
        const int inner = t.right - 1 - (t.left + 1);
        for (const RECT* bar : {&l.files, &l.bytes}) {
            EXPECT_TRUE(bar->left == t.left + 1 && bar->top > t.top && bar->bottom < t.bottom);
            EXPECT_LE(bar->right, t.right - 1);
        }
        EXPECT_EQ(l.files.right - l.files.left, inner * r.filesPermille / 1000);
        EXPECT_EQ(l.bytes.right - l.bytes.left, inner * r.bytesPermille / 1000);
    }
    EXPECT_EQ(ui::LayOutProgress(0, 0, {}).track.right, 0);
}

// The picture is drawn as it is, the bars over it (the track half-clear), and
// without a picture a plain ground.
TEST(ProgressWindow, ComposedOverThePicture) {
    ui::PixelImage picture, out;
    ASSERT_TRUE(picture.Allocate(320, 120) && out.Allocate(320, 120));
    std::fill(picture.pixels.begin(), picture.pixels.end(), 0xFF102030u);
    ui::ProgressFigures f;
    f.filesDone = 1, f.filesTotal = 2;
    const ui::ProgressLayout l = ui::LayOutProgress(320, 120, f);
    for (bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "plain" : "picture");
        ui::ComposeProgress(plain ? ui::PixelImage() : picture, f, out.View());
        const uint32_t ground = plain ? ui::Premultiply(0xF0202830u) : 0xFF102030u;
        EXPECT_EQ(out.Row(5)[5], ground);
        EXPECT_EQ(out.Row(l.files.top)[l.files.left], 0xFF3FA34Du);
        EXPECT_EQ(out.Row(l.files.top)[l.files.right], ui::BlendPixel(ground, 0xC0000000u));
        EXPECT_EQ(out.Row(l.bytes.top)[l.bytes.left], ui::BlendPixel(ground, 0xC0000000u));
    }
}

// With "update_progress", an update still running after a second shows a
// window, which is gone when the launcher's own windows come; a quick update
// or a configuration without the key shows none.
TEST(ProgressWindow, ShownForALongUpdateOnlyWithTheKey) {
    struct {
        const char* name;
        bool slow, key, shown;
    } rows[] = {
        {"slow", true, true, true}, {"fast", false, true, false}, {"off", true, false, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string base = std::string("progress_") + r.name + "/";
        Publish(base + "update.json",
                "{\"version\": 9, \"files\": {" + Entry("a.txt", "new") + "}}");
        Publish(base + "9/a.7z", StoredArchive("new", L"a.txt"));
        if (r.slow) Publish(base + "9/a.7z.mode", "delay1500");
        TempDir dir;
        std::vector<std::pair<std::string, std::string>> keys = {
            {"update_url", Narrow(ServerUrl(base))}};
        if (!r.key) keys.push_back(kProgressOff);
        std::wstring exe = MakeLauncherDir(dir.Path(), BinaryPath("Lumora2.exe"), keys);
        ASSERT_TRUE(WriteFileBytes(dir / L"a.txt", "old"));

        DWORD pid = 0;
        win::UniqueHandle p = StartProgram(exe, L"", dir.Path(), &pid);
        ASSERT_TRUE(p);
        HWND progress = nullptr;
        bool later = false; // a window came after the update
        for (int i = 0; i < 1200 && !later; ++i) {
            Sleep(50);
            std::vector<HWND> shown = VisibleWindowsOf(pid);
            // Read after the windows: shown before the file was replaced.
            bool replaced = FileText(dir / L"a.txt") == "new";
            if (!replaced && !shown.empty() && !progress) {
                progress = shown[0];
                // It answers while the update runs, and a press anywhere on it
                // drags it as a caption would.
                DWORD_PTR hit = 0;
                EXPECT_TRUE(SendMessageTimeoutW(progress, WM_NCHITTEST, 0, 0, SMTO_ABORTIFHUNG,
                                                5000, &hit));
                EXPECT_EQ(hit, static_cast<DWORD_PTR>(HTCAPTION));
            }
            later = replaced &&
                    std::any_of(shown.begin(), shown.end(), [&](HWND w) { return w != progress; });
        }
        EXPECT_TRUE(later) << "the launcher's windows did not come";
        EXPECT_EQ(progress != nullptr, r.shown);
        EXPECT_FALSE(progress && IsWindow(progress));
        TerminateProcess(p.Get(), 0);
        WaitForSingleObject(p.Get(), 10000);
    }
}

// Closing the progress window ends the run: the files already replaced stay,
// each whole, no other package is put in place and nothing is left half
// written; the launcher's own windows never come.
TEST(ProgressWindow, CloseEndsTheRunWithNoFileCut) {
    const std::string base = "progress_close/";
    const int count = 40;
    std::string files;
    auto bytes = [](int i) { return std::string(65536 + i, static_cast<char>('a' + i % 26)); };
    for (int i = 0; i < count; ++i) {
        std::string name = "f" + std::to_string(i);
        Publish(base + "9/data/" + name + ".7z",
                StoredArchive(bytes(i), Widen("data/" + name + ".bin").c_str()));
        Publish(base + "9/data/" + name + ".7z.mode", "delay300");
        files += (i ? ", " : "") + Entry("data\\\\" + name + ".bin", bytes(i));
    }
    Publish(base + "update.json", "{\"version\": 9, \"files\": {" + files + "}}");
    TempDir dir;
    std::wstring exe = MakeLauncherDir(dir.Path(), BinaryPath("Lumora2.exe"),
                                       {{"update_url", Narrow(ServerUrl(base))}});

    LauncherRun run = RunLauncher(exe, L"", [&] {
        for (int i = 0; i < 600 && CountEntries(dir / L"data", true) == 0; ++i)
            Sleep(50);
    });
    EXPECT_EQ(run.windowPid, run.startedPid);
    EXPECT_EQ(run.exitCode, 0u); // ended by itself: 99 when it had to be ended
    int whole = 0;
    for (int i = 0; i < count; ++i) {
        std::string text = FileText(dir / Widen("data\\f" + std::to_string(i) + ".bin"));
        if (text == "<missing>") continue;
        EXPECT_EQ(text, bytes(i)) << i;
        ++whole;
    }
    EXPECT_GE(whole, 1);
    EXPECT_LT(whole, count);
    EXPECT_EQ(CountEntries(dir / L"data"), whole); // no temporary file left beside them
}

// Two launchers started together on one directory: the second waits for the
// first's update, then finds nothing to fetch; every file ends right.
TEST(UpdateRun, TwoLaunchersOnOneDirectoryFetchEachPackageOnce) {
    const std::string base = "two_launchers/";
    std::string files;
    for (int i = 0; i < 6; ++i) {
        std::string name = "b" + std::to_string(i);
        Publish(base + "9/" + name + ".7z",
                StoredArchive("file " + name, Widen(name + ".txt").c_str()));
        Publish(base + "9/" + name + ".7z.mode", "delay200");
        files += (i ? ", " : "") + Entry(name + ".txt", "file " + name);
    }
    Publish(base + "update.json", "{\"version\": 9, \"files\": {" + files + "}}");
    TempDir dir;
    std::wstring exe = dir / L"Lumora2.exe";
    ASSERT_TRUE(CopyFileW(BinaryPath("Lumora2.exe").c_str(), exe.c_str(), FALSE));
    // No windows: each run ends by itself after its update.
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json",
                               "{\"update_url\": \"" + Narrow(ServerUrl(base)) + "\"}"));
    win::UniqueHandle a = StartProgram(exe, L"", dir.Path()),
                      b = StartProgram(exe, L"", dir.Path());
    ASSERT_TRUE(a && b);
    for (HANDLE p : {a.Get(), b.Get()}) {
        EXPECT_EQ(WaitForSingleObject(p, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD code = 99;
        GetExitCodeProcess(p, &code);
        EXPECT_EQ(code, 0u);
    }
    for (int i = 0; i < 6; ++i) {
        std::string name = "b" + std::to_string(i);
        EXPECT_EQ(FileText(dir / Widen(name + ".txt")), "file " + name);
        size_t gets = 0;
        for (const Request& r : RequestsFor("/" + base + "9/" + name + ".7z"))
            gets += r.verb == "GET";
        EXPECT_EQ(gets, 1u) << name;
    }
    size_t manifests = 0;
    for (const Request& r : RequestsFor("/" + base + "update.json"))
        manifests += r.verb == "GET";
    EXPECT_EQ(manifests, 2u);
}
