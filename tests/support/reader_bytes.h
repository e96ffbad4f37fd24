// Decoding test files straight from memory, reading decoded pixels as seen,
// and the cheap deterministic fuzz every reader test runs.
#pragma once

#include <cstdint>
#include <string>

#include "image/dib_image.h"
#include "tests/support/memory_file.h"

namespace kestrel::test {

// A pixel as seen: row 0 is the top of the picture. Indexed images give their
// table colour; alpha is 255 without an alpha plane.
struct Rgba {
    std::uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};
Rgba SeenPixel(const CDibImage& image, int x, int rowFromTop);

// Decodes every truncation of bytes and every single-byte change to each of a
// few values; only the sanitizers judge the result. Returns the number of
// decodes that succeeded, so callers can see the loop ran.
int FuzzReader(const std::string& bytes, ImageFormat format, int frameIndex = 0);

}  // namespace kestrel::test
