// Builds BMP files from readable recipes: file header, an info header of any
// size (12-byte OS/2 core, OS/2 2.x of 16 to 64, Windows 40 to 124), masks,
// colour table and pixel data.
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
    std::uint32_t headerSize = 40;  // 12 (OS/2 core), 16..39 (the 40-byte header cut short), 40 or more
    bool fileHeader = true;         // false: a bare bitmap starting with its info header
    bool pixelOffset = true;        // write the offset of the pixel data (else 0)
    std::vector<RGBQUAD> palette;   // written as given; 3 bytes each after a core header
    std::uint32_t coloursUsed = 0;
    // Red, green, blue (and alpha): all after a 40-byte header, or as many as
    // fit at bytes 40-55 of a larger one.
    std::vector<std::uint32_t> masks;
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
