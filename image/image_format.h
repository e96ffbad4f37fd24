// Format codes the loader dispatches on. The caller names the format; nothing
// is detected from a file's name or content. Codes outside 0..7 are valid
// values of the type and make the loader fail with a message.
#pragma once

#include <cstdint>

enum class ImageFormat : std::int32_t {
    Bmp = 0,
    Gif = 1,
    Jpeg = 2,
    Png = 3,
    Ico = 4,
    Tiff = 5,
    Tga = 6,
    Pcx = 7,
};
