// Decoding images held in memory, and reading back what a decoded image
// shows, for reader tests.
#pragma once

#include <string>

#include "image/dib_image.h"
#include "tests/support/memory_file.h"

namespace kestrel::test {

// One pixel as it is seen: colour through the colour table for indexed
// images, and its alpha from the alpha plane, palette alpha or the
// transparent index (255 when none of them applies). (x, y) are in storage
// order, y = 0 the bottom row.
struct SeenPixel {
    int red;
    int green;
    int blue;
    int alpha;
};
SeenPixel PixelAt(const CDibImage& image, int x, int y);

}  // namespace kestrel::test
