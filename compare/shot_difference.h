// The difference of two pictures as they are drawn: per pixel and per
// channel |A - B|, times a gain, held at 255. Pixels are the drawing
// surface's 0xAARRGGBB words; what comes out is opaque (alpha 0xFF).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CDibImage;

// out[i] = per channel min(255, |a[i] - b[i]| x gain), alpha 0xFF; gain is
// held within 1 to 64. out may be a or b. Sixteen bytes at a time where the
// processor has SSE2.
void DifferencePixels(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                      int gain);
// The same, one pixel and one channel at a time: the peer of the benchmark
// and the tests' oracle.
void DifferencePixelsPlain(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                           int gain);

// image drawn at its own size over the view's white background, top line
// first, width x height words; empty for an empty image or one of more than
// MAX_MEASURED_PIXELS pixels.
std::vector<std::uint32_t> DrawnPixels(const CDibImage& image);
constexpr std::int64_t MAX_MEASURED_PIXELS = std::int64_t(1) << 26;

// How two pictures differ, top-left corners together: pixels that only one
// of them has count as differing; the largest difference is that of any
// channel of the pixels both have.
struct PairDifference {
    std::int64_t differing = 0;
    int largest = 0;
    bool operator==(const PairDifference&) const = default;
};
PairDifference MeasureDifference(const std::vector<std::uint32_t>& a, int aWidth, int aHeight,
                                 const std::vector<std::uint32_t>& b, int bWidth, int bHeight);
