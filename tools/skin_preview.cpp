#include "tools/skin_preview.h"

#include "core/static_config.h"
#include "tools/skin_render.h"
#include "tools/tool_files.h"
#include "tools/tool_text.h"
#include "ui/gdiplus_flat.h"
#include "win/gdiplus_scoped.h"

#include <cstdio>

namespace {

// GDI+'s PNG encoder.
const CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// PNG keeps colours apart from alpha: the surface's premultiplied pixels are
// divided back, rounded, so that multiplying again gives them exactly.
bool WritePng(const std::wstring& path, const SkinPixels& pixels) {
    std::vector<uint32_t> straight(pixels.argb.size());
    for (size_t i = 0; i < straight.size(); ++i) {
        const uint32_t p = pixels.argb[i], a = p >> 24;
        uint32_t s = 0;
        for (int shift = 0; a && shift < 24; shift += 8) {
            uint32_t c = ((p >> shift & 0xFF) * 255 + a / 2) / a;
            s |= (c > 255 ? 255 : c) << shift;
        }
        straight[i] = a ? (a << 24 | s) : 0;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(
            pixels.width, pixels.height, pixels.width * 4, PixelFormat32bppARGB,
            reinterpret_cast<BYTE*>(straight.data()), &bitmap) != Gdiplus::Ok)
        return false;
    const bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &kPngEncoder,
                                                                nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return saved;
}

// A window name as part of a file name: letters, digits, "-" and "_".
std::string FileStem(const char* name) {
    std::string stem;
    for (const char* p = name; *p; ++p)
        stem += isalnum(static_cast<unsigned char>(*p)) || *p == '-' || *p == '_' ? *p : '_';
    return stem;
}

std::string Html(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '&'   ? "&amp;"
               : c == '<' ? "&lt;"
               : c == '>' ? "&gt;"
               : c == '"' ? "&quot;"
                          : std::string(1, c);
    return out;
}

} // namespace

int WritePreview(const std::wstring& out, const std::wstring& dir) {
    if (!IsFile(dir + L"\\static.json")) {
        PrintError("lumora_check", L"no static.json in \"" + dir + L"\"");
        return 2;
    }
    if (!MakeFolders(out)) {
        PrintError("lumora_check", L"cannot create folder \"" + out + L"\"");
        return 2;
    }
    // The launcher takes the loading picture and cursors as configured, so
    // relative to its working directory, which is its own directory.
    SetCurrentDirectoryW(dir.c_str());
    StaticConfig config;
    config.LoadStaticConfigFrom(dir.c_str(), L"Lumora2", L"", L"", 2,
                                []() -> const wchar_t* { return nullptr; });
    win::GdiplusSession gdiplus = win::StartGdiplus();

    struct Picture {
        std::string file, caption;
    };
    std::vector<Picture> pictures;
    int failed = 0;
    auto draw = [&](int index, bool hovered, const std::string& file, const std::string& caption) {
        const WindowDesc* desc = config.Window(index);
        // A nine-grid layout has no picture of its own size: its default size.
        const bool grid = desc && desc->use9Matrix;
        SkinPixels pixels;
        if (!RenderSkin(config, index, grid ? desc->defSize.cx : 0, grid ? desc->defSize.cy : 0,
                        hovered, pixels) ||
            !WritePng(out + L"\\" + FromUtf8(file.c_str()), pixels)) {
            PrintError("lumora_check", L"cannot draw " + FromUtf8(caption.c_str()));
            ++failed;
            return;
        }
        pictures.push_back({file, caption + " (" + std::to_string(pixels.width) + " x " +
                                      std::to_string(pixels.height) + ")"});
    };
    for (int i = 0; i < config.windowCount; ++i) {
        const std::string name = config.windows[i].name;
        const std::string stem = std::to_string(i + 1) + "-" + FileStem(name.c_str());
        draw(i, false, stem + ".png", "window \"" + name + "\"");
        if (config.windows[i].buttonCount > 0)
            draw(i, true, stem + "-hover.png", "window \"" + name + "\", buttons hovered");
    }
    draw(kLoadingPicture, false, "loading.png", "loading picture");

    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Skin "
                       "preview</title>\n<style>body{font-family:sans-serif;background:#777}"
                       "figure{display:inline-block;vertical-align:top;margin:8px}"
                       "img{background:repeating-conic-gradient(#bbb 0 25%,#eee 0 50%) 0 0/16px "
                       "16px}</style></head>\n<body>\n";
    for (const Picture& p : pictures)
        html += "<figure><img src=\"" + Html(p.file) + "\" alt=\"" + Html(p.caption) +
                "\"><figcaption>" + Html(p.caption) + "</figcaption></figure>\n";
    html += "</body></html>\n";
    if (!WriteWhole(out + L"\\index.html", html)) {
        PrintError("lumora_check", L"cannot write \"" + out + L"\\index.html\"");
        return 2;
    }
    printf("preview: %zu pictures in %s\n", pictures.size(), ToUtf8(out).c_str());
    return failed ? 1 : 0;
}
