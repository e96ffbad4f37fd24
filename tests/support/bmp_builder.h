// Builds BMP files from readable recipes: file header, any of the 12-, 40-,
// 108- and 124-byte info headers, masks, colour table and pixel data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/win_types.h"

namespace kestrel::test {

struct BmpRecipe {
    std::int32_t width = 1;
    std::int32_t height = 1;
    int bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;  // 12 (OS/2 core), 40, 108 or 124
    bool fileHeader = true;         // false: a bare bitmap starting with its info header
    bool pixelOffset = true;        // write the offset of the pixel data (else 0)
    std::vector<RGBQUAD> palette;   // written as given; 3 bytes each after a core header
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;  // red, green, blue: after a 40-byte header, or inside a larger one
    std::int32_t xPelsPerMetre = 2835;
    std::int32_t yPelsPerMetre = 2835;
    std::string gap;     // bytes between the colour table and the pixel data
    std::string pixels;  // pixel data as stored
};

std::string BuildBmp(const BmpRecipe& recipe);

// Packs pixel values given top row first into bottom-up rows padded to 4
// bytes (topDown keeps the given order). Values: indices for 1, 4 and 8 bits,
// the 16-bit word, 0xRRGGBB for 24 bits, 0xAARRGGBB for 32 bits.
std::string PackBmpRows(const std::vector<std::vector<std::uint32_t>>& rowsFromTop, int bitCount,
                        bool topDown = false);

}  // namespace kestrel::test
