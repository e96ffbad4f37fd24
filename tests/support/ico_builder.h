// Builds icon files: the directory and each entry's image (a bitmap with its
// 40-byte header, colour table, rows and transparency mask, or any bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/win_types.h"

namespace kestrel::test {

struct IcoEntry {
    int widthByte = 1;
    int heightByte = 1;
    int colourCount = 0;
    int bitCount = 8;  // the directory's own field
    std::string image;
};

std::string BuildIco(const std::vector<IcoEntry>& entries, int type = 1);

// An icon bitmap: 40-byte header (height doubled for the mask), the table,
// the colour rows as given (bottom-up, padded) and a mask whose bytes are all
// maskByte (0: every pixel opaque, 0xFF: every pixel transparent).
std::string IcoBitmap(int width, int height, int bitCount, const std::vector<RGBQUAD>& palette,
                      const std::string& rows, std::uint32_t coloursUsed = 0, unsigned maskByte = 0);

}  // namespace kestrel::test
