// Owner of a GDI+ start-up: GdiplusShutdown with the token it gave.
#pragma once

#include <windows.h>

// WIN32_LEAN_AND_MEAN leaves out the COM types that GDI+ needs.
#include <objidl.h>

// GDI+'s header needs min/max, which NOMINMAX keeps out of windows.h.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include "win/scoped.h"

namespace win {

struct GdiplusTraits {
    using Type = ULONG_PTR;
    static Type Invalid() { return 0; }
    static bool Valid(Type token) { return token != 0; }
    static void Close(Type token) { Gdiplus::GdiplusShutdown(token); }
};
using GdiplusSession = Scoped<GdiplusTraits>;

// Starts GDI+ for the owner's lifetime; holds nothing when it did not start.
inline GdiplusSession StartGdiplus() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) token = 0;
    return GdiplusSession(token);
}

} // namespace win
