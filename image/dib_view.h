// DibView: a borrowed look at a bottom-up device-independent bitmap, the
// shape in which pixels are handed to a device: size, depth, row distance,
// colour table and the first stored row, which is the bottom line.
#pragma once

#include <cstdint>

#include "image/win_types.h"

struct DibView {
    int width = 0;
    int height = 0;
    int bitCount = 0;               // 1, 4, 8 or 24
    std::int64_t stride = 0;        // bytes from one stored row to the next
    const RGBQUAD* palette = nullptr;
    int paletteSize = 0;            // entries in palette
    const BYTE* bits = nullptr;     // first stored row

    // Bytes that one row of pixels occupies, without padding.
    std::int64_t RowBytes() const { return (std::int64_t(width) * bitCount + 7) / 8; }

    // True when the view describes pixels a device can read: a known depth,
    // a positive size and rows long enough for their pixels.
    bool IsDrawable() const
    {
        const bool knownDepth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24;
        return bits && knownDepth && width > 0 && height > 0 && stride >= RowBytes();
    }
};
