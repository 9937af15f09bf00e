// lumora_check --preview: one PNG per window layout of a launcher's
// "static.json" at its default size, one with every button hovered, the
// loading picture, and an index.html that shows them side by side.
#pragma once

#include <string>

// Writes the preview of the launcher directory dir into out. Exit code of
// the tool: 0 written, 1 something could not be drawn, 2 unusable paths.
int WritePreview(const std::wstring& out, const std::wstring& dir);
