// The Win32 shapes that the skin geometry works in. The studio's tools also
// build on Linux, where they are declared here with the same members.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
struct POINT {
    long x, y;
};
struct RECT {
    long left, top, right, bottom;
};
#endif
