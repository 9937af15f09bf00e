// Image sizes for the configuration check on Linux, read by stb_image
// (Debian's libstb-dev) limited to the formats the launcher's GDI+ reads.
#include "tools/tool_files.h"

#include "tools/tool_text.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#include <stb/stb_image.h>

bool ReadImageSize(const std::wstring& path, int* width, int* height) {
    *width = *height = 0;
    int channels = 0;
    return stbi_info(NativePath(path).c_str(), width, height, &channels) != 0;
}
