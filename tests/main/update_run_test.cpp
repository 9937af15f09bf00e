#include "app/progress_show.h"
#include "core/app_module.h"
#include "support/launcher_dir.h"
#include "support/test_support.h"
#include "support/update_server.h"
#include "ui/compositor.h"
#include "ui/progress_window.h"
#include "update/update.h"
#include "update/update_progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace testing_support;

// The bars stay inside the picture and fill by their figures, clamped.
TEST(ProgressWindow, BarsFillByTheFigures) {
    struct {
        int width, height;
        ui::ProgressFigures f;
        int filesPermille, bytesPermille;
    } rows[] = {
        {320, 120, {0, 0, 0, 0}, 0, 0},         {320, 120, {1, 2, 5, 10}, 500, 500},
        {320, 120, {3, 2, 20, 10}, 1000, 1000}, {320, 120, {2, 2, 0, 0}, 1000, 0},
        {1920, 1080, {1, 4, 1, 1000}, 250, 1},  {12, 6, {1, 1, 1, 1}, 1000, 1000},
        {320, 120, {-1, 2, -5, 10}, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        ui::ProgressLayout l = ui::LayOutProgress(r.width, r.height, r.f);
        const RECT& t = l.track;
        EXPECT_TRUE(t.left >= 0 && t.top >= 0 && t.right <= r.width && t.bottom <= r.height);
        EXPECT_LT(t.left, t.right);
        const int inner = t.right - 1 - (t.left + 1);
        for (const RECT* bar : {&l.files, &l.bytes})
            EXPECT_TRUE(bar->left == t.left + 1 && bar->top > t.top && bar->bottom < t.bottom &&
                        bar->right <= t.right - 1);
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
    const ui::ProgressFigures f{1, 2};
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

// An update still running after a second shows a window on a thread of its
// own: it answers while this thread waits, and a press anywhere on it drags
// it as a caption would. It goes with the show; a quick update shows none.
TEST(ProgressWindow, ShownForALongUpdateOnly) {
    AppModule module;
    for (int wait : {300, 10000}) {
        UpdateProgress progress;
        HWND shown = nullptr;
        {
            ProgressShow show(module, L"progress test", L"", progress);
            for (int i = 0; i < wait / 50 && !shown; ++i, Sleep(50))
                shown = FindWindowW(nullptr, L"progress test");
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(shown, WM_NCHITTEST, 0, 0, SMTO_ABORTIFHUNG, 5000, &hit);
            EXPECT_EQ(hit, wait > 1000 ? static_cast<DWORD_PTR>(HTCAPTION) : 0u);
        }
        EXPECT_FALSE(IsWindow(shown));
    }
}

// Closing the progress window ends the run: the files already replaced stay,
// each whole, no other package is put in place and nothing is left half
// written; the launcher's own windows never come.
TEST(ProgressWindow, CloseEndsTheRunWithNoFileCut) {
    const std::string base = "progress_close/", bytes(65536, 'c');
    const int count = 40;
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < count; ++i) {
        const std::string name = "f" + std::to_string(i);
        Publish(base + "9/data/" + name + ".7z",
                StoredArchive(bytes, Widen("data/" + name + ".bin").c_str()));
        Publish(base + "9/data/" + name + ".7z.mode", "delay300");
        files.push_back({"data\\\\" + name + ".bin", Md5Of(bytes)});
    }
    Publish(base + "update.json", Manifest(9, files));
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
    ForEachIn(dir / L"data", [&](const std::wstring& path, const WIN32_FIND_DATAW&) {
        whole += FileText(path) == bytes;
    });
    EXPECT_TRUE(whole >= 1 && whole < count) << whole;
    EXPECT_EQ(CountEntries(dir / L"data"), whole); // nothing cut, no temporary file left
}

// Two updates started together on one directory: the second waits for the
// first's, then finds nothing to fetch.
TEST(UpdateRun, TwoLaunchersOnOneDirectoryFetchEachPackageOnce) {
    const std::string base = "two_launchers" + std::to_string(GetCurrentProcessId()) + "/";
    Publish(base + "9/b.7z", StoredArchive("new", L"b.txt"));
    Publish(base + "9/b.7z.mode", "delay500");
    Publish(base + "update.json", Manifest(9, {{"b.txt", Md5Of("new")}}));
    TempDir dir;
    const std::wstring url = ServerUrl(base);
    auto update = [&] {
        RunUpdate(dir.Path().c_str(), (dir / L"Lumora2.exe").c_str(), url.c_str(), 2);
    };
    std::thread a(update), b(update);
    a.join();
    b.join();
    EXPECT_EQ(FileText(dir / L"b.txt"), "new");
    EXPECT_EQ(Gets(base + "9/b.7z"), 1);
    EXPECT_EQ(Gets(base + "update.json"), 2);
}
