// lumora_check's Windows build: its checks in a table, its output as a process, "--preview" against
// the launcher's own frames pixel for pixel, and the Linux build's output on the same directories.
#include "support/demo_skin.h"
#include "support/launcher_dir.h"
#include "tools/static_check.h"
#include "ui/gdiplus_flat.h"
#include "ui/skin_geometry.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace testing_support;
using namespace std::string_literals;

namespace {

std::string DemoConfig() {
    return FileText(SourcePath("demo/static.json"));
}

void LayOut(const TempDir& dir, const std::string& config) {
    CopyTree(SourcePath("demo/skin"), dir / L"skin");
    ASSERT_TRUE(WriteFileBytes(dir / L"static.json", config));
}

int RunCheck(const std::wstring& args, std::string& output, const std::wstring& dir = L"") {
    return RunProgram(BinaryPath("tools/lumora_check.exe"), args, dir, 60000, &output);
}

// How many pixels of the PNG at path, multiplied by their alpha again,
// differ from the window's surface; -1 when the sizes differ.
int Differences(const ui::LayeredWindow& window, const std::wstring& path) {
    using namespace Gdiplus::DllExports;
    Gdiplus::GpBitmap* bitmap = nullptr;
    UINT w = 0, h = 0;
    GdipCreateBitmapFromFile(path.c_str(), &bitmap);
    GdipGetImageWidth(bitmap, &w);
    GdipGetImageHeight(bitmap, &h);
    int differ =
        bitmap && int(w) == window.SurfaceWidth() && int(h) == window.SurfaceHeight() ? 0 : -1;
    for (UINT i = 0; differ >= 0 && i < w * h; ++i) {
        Gdiplus::ARGB p = 0;
        GdipBitmapGetPixel(bitmap, INT(i % w), INT(i / w), &p);
        uint32_t a = p >> 24, premultiplied = a << 24;
        for (int shift = 0; shift < 24; shift += 8)
            premultiplied |= (((p >> shift) & 0xFF) * a + 127) / 255 << shift;
        differ += premultiplied != window.PixelAt(int(i % w), int(i / w));
    }
    GdipDisposeImage(bitmap);
    return differ;
}

} // namespace

// A clean file, given as its folder or itself, exits with 0; problems with 1, a line each under
// its key and their count; a missing file or a bad command line with 2.
TEST(Check, ExitCodesAndOutput) {
    TempDir dir, empty, bad;
    LayOut(dir, DemoConfig());
    std::string out, text = DemoConfig();
    for (const std::wstring& target : {dir.Path(), dir / L"static.json"}) {
        EXPECT_EQ(RunCheck(Quote(target), out), 0) << out;
        EXPECT_EQ(out.rfind("static.json: clean", 0), 0u) << out;
    }
    for (const std::wstring& args : {Quote(empty.Path()), Quote(dir / L"nowhere"), L"a b"s})
        EXPECT_EQ(RunCheck(args, out), 2) << Narrow(args);
    LayOut(bad, text.replace(text.find("use9Matrix\": true"), 10, "use9matrix"));
    EXPECT_EQ(RunCheck(Quote(bad.Path()), out), 1) << out;
    EXPECT_EQ(
        out, "static.json: windows.game.use9matrix: unknown key: keys are case-sensitive, the "
             "launcher ignores it (meant \"use9Matrix\"?)\r\nstatic.json: windows.game.background: "
             "missing: the window takes its size from this image and would have none\r\n"
             "static.json: 2 problems found\r\n");
}

// Each row breaks the sample in one way; the fault is reported once under its
// key, among exactly `total` problems (some faults have a second consequence).
TEST(Check, EachFaultIsReportedOnceWithItsKey) {
    const std::string longText(260, 'a');
    struct Row {
        std::string from, to, key, hint; // from's first occurrence replaced; "" replaces all
        size_t total = 1;
    };
    const Row rows[] = {
        {"{", "\xEF\xBB\xBF{", "", "byte-order mark"},
        {"\"start\",", "\"start\"", "", "does not parse: 6:"},
        {"", "[1, 2]", "", "top level is an array"},
        {"\"first_window\": \"start\",", "", "first_window", "missing"},
        {"\"start\",", "\"strat\",", "first_window", "names no window (\"strat\")"},
        {"\"start\",", "\"start\", \"first_window\": 1,", "first_window", "given twice"},
        {"\"windows\": {", "\"windows\": {\"START\": {\"background\": \"skin\\\\start.png\"},",
         "windows.start", "apart from case"},
        {"\"windows\": {",
         "\"windows\": {\"" + std::string(32, 'w') + "\": {\"background\": \"skin\\\\start.png\"},",
         "windows." + std::string(32, 'w'), "longer than 31 bytes"},
        {"\"game\"", "\"gmae\"", "windows.start.next", "names no window (\"gmae\")"},
        {"\"game\"", "\"" + std::string(32, 'g') + "\"", "windows.start.next",
         "longer than 31 bytes"},
        {"\"loading\": \"skin\\\\loading.png\",", "", "loading", "missing"},
        {"skin\\\\loading.png", "skin\\\\load.png", "loading", "not found"},
        {"\"background\": \"skin\\\\start.png\",", "", "windows.start.background", "missing"},
        {"\"elements\": \"skin\\\\elements.png\",", "", "windows.start.elements", "missing"},
        {"skin\\\\lumora.cur", "skin\\\\none.cur", "windows.start.cursor", "not found"},
        {"skin\\\\start.png", "static.json", "windows.start.background", "not be read"},
        // The launcher then ignores the flag: no nine-grid, so a background is needed.
        {"use9Matrix\": true", "use9matrix\": true", "windows.game.use9matrix",
         "meant \"use9Matrix\"", 2},
        {"\"top\": [24, 0, 56, 32],", "", "windows.game.matrix.top", "missing"},
        {"[24, 84, 56, 96]", "[24, 84, 56]", "windows.game.matrix.bottom", "4 integers"},
        {"\"matrix\": {", "\"matrix0\": {", "windows.game.matrix", "use9Matrix is on", 2},
        {"[-36, 8]", "[-20, 8]", "windows.start.buttons[0].coord", "outside the 800 x 520"},
        {"[-130, 5]", "[-130, 750]", "windows.game.buttons[3].coord", "outside the 1300 x 768"},
        {"[28, 22]", "[0, 22]", "windows.start.buttons[0].size", "zero or negative"},
        {"\"func\": \"minimize\"", "\"func\": \"minimise\"", "windows.start.buttons[1].func",
         "unknown function \"minimise\" (close, minimize, maximize, refresh)"},
        {"\"func\": \"refresh\"", "\"func\": 3", "windows.game.buttons[3].func", "not a function"},
        {"\"hove\"", "\"hover\"", "windows.start.buttons[0].hover", "unknown key"},
        {"[30, 100]", "[3000, 100]", "windows.start.buttons[0].hove", "outside the"},
        {"[24, 84, 56, 96]", "[24, 84, 5600, 96]", "windows.game.matrix.bottom", "outside the"},
        {"\"update_url\": \"http:", "\"update_url\": \"https:", "update_url", "http://"},
        {"game_statics/lm/", "game_statics/lm", "update_url", "end with \"/\""},
        {"\"game_url\": \"http://www.lumora.example/\",", "", "game_url", "missing"},
        {"www.lumora.example/\",", "www.lumora.example/" + longText + "\",", "game_url",
         "longer than 255"},
        {"\"defSize\": [1300, 768]", "\"defSize\": [800]", "windows.game.defSize", "2 integers"},
        {"\"margin\": 0.1", "\"margin\": 1", "windows.game.margin", "fraction"},
        {"\"resizable\": false", "\"resizable\": \"no\"", "windows.start.resizable",
         "not true or false"},
        {"\"update_progress\": true", "\"update_progress\": \"true\"", "update_progress",
         "not true or false"},
        {"\"update_progress\": true", "\"update_progress\": null", "update_progress",
         "true or false"},
    };
    const std::string sample = DemoConfig();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key + " <- " + row.to);
        const size_t at = sample.find(row.from);
        ASSERT_NE(at, std::string::npos);
        const std::string text = std::string(sample).replace(
            at, row.from.empty() ? std::string::npos : row.from.size(), row.to);
        TempDir dir;
        LayOut(dir, text);
        ProblemList problems;
        CheckStaticConfig(text.data(), text.size(), dir.Path().c_str(), &problems);
        std::string all, mine;
        for (const Problem& p : problems) {
            all += p.key + ": " + p.message + "\n";
            mine += p.key == row.key ? p.message + "\n" : "";
        }
        EXPECT_EQ(std::count(mine.begin(), mine.end(), '\n'), 1) << all;
        EXPECT_NE(mine.find(row.hint), std::string::npos) << all;
        EXPECT_EQ(problems.size(), row.total) << all;
    }
}

// The index shows each picture with its name.
TEST(Preview, PicturesAreTheLaunchersOwnFrames) {
    DemoSkin demo;
    const std::wstring out = demo.dir / L"out";
    std::string index;
    ASSERT_EQ(RunCheck(L"--preview out", index, demo.dir.Path()), 0) << index;
    index = FileText(out + L"\\index.html");
    for (const char* part :
         {"\"1-start.png\"", "\"1-start-hover.png\"", "\"2-game.png\"", "\"2-game-hover.png\"",
          "\"loading.png\"", "window &quot;game&quot; (1300 x 768)", "loading picture (320 x 120)"})
        EXPECT_NE(index.find(part), std::string::npos) << part << "\n" << index;

    // The launcher's windows, driven as its main window drives them.
    auto hover = [&]() {
        for (int k = 0; k < demo.config.windows[demo.skin.WindowIndex()].buttonCount; ++k)
            demo.skin.DrawButton(k, kButtonHover);
    };
    EXPECT_EQ(Differences(demo.skin, out + L"\\1-start.png"), 0);
    hover();
    EXPECT_EQ(Differences(demo.skin, out + L"\\1-start-hover.png"), 0);
    demo.Show("game", 1300, 768); // the layout's own size
    EXPECT_EQ(Differences(demo.skin, out + L"\\2-game.png"), 0);
    hover();
    EXPECT_EQ(Differences(demo.skin, out + L"\\2-game-hover.png"), 0);
    EXPECT_GT(Differences(demo.skin, out + L"\\2-game.png"), 0); // hovering shows
    ui::LoadingWindow loading(demo.module);
    loading.SetBackgroundImage(demo.config.loading);
    ASSERT_NE(loading.Create(demo.owner.Get(), L"loading"), nullptr);
    loading.Render(0, 0);
    EXPECT_EQ(Differences(loading, out + L"\\loading.png"), 0);
}

// The Linux build of lumora_check says what the Windows build says, line for
// line, on each launcher directory of the native_checked fixture.
TEST(NativeCheck, SaysWhatTheWindowsBuildSays) {
    int count = 0;
    ForEachIn(BinaryPath("tests/tools/native_checked"), [&](const std::wstring& dir, auto&) {
        SCOPED_TRACE(Narrow(dir));
        std::string output;
        const int code = RunCheck(Quote(dir), output);
        output += "exit " + std::to_string(code) + "\n";
        output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
        EXPECT_EQ(output, FileText(dir + L"\\check.txt"));
        ++count;
    });
    EXPECT_EQ(count, 8);
}
