// The skin window's picture drawn by GDI+ alone, as the launcher drew it
// before it composed its pixels itself. Not part of the launcher: kept as the
// reference that the benchmark times and the pixel tests compare against.
#pragma once

#include "ui/gdiplus_flat.h"

#include <cstdint>
#include <vector>

struct WindowDesc;

namespace reference {

// Draws into the 32-bit DIB selected into dc, which must be all zero: the
// background stretched to width x height, then (with a desc) its nine-grid
// and every button in its normal face, with GDI+'s default settings.
void GdiplusDrawSkin(HDC dc, const WindowDesc* desc, ui::GpImage* background, ui::GpImage* elements,
                     int width, int height);

// The same picture in a fresh DIB, read back as premultiplied BGRA, rows
// top-down. False when no DIB could be made.
bool GdiplusRenderSkin(const WindowDesc* desc, ui::GpImage* background, ui::GpImage* elements,
                       int width, int height, std::vector<uint32_t>& pixels);

} // namespace reference
