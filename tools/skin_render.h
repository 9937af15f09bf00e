// The skin drawn off screen, as the launcher draws it, into a pixel buffer:
// the preview's one way into the launcher's drawing code.
#pragma once

#include <cstdint>
#include <vector>

struct StaticConfig;

// The index that stands for the loading picture.
constexpr int kLoadingPicture = -1;

struct SkinPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> argb; // premultiplied 0xAARRGGBB, top row first
};

// Draws window layout index of config (or the loading picture) at width x
// height, or at the size of its background image when both are 0, with
// every button in its normal face or hovered. GDI+ must be started. False
// when nothing could be drawn.
bool RenderSkin(const StaticConfig& config, int index, int width, int height, bool hovered,
                SkinPixels& out);
