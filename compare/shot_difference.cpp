#include "compare/shot_difference.h"

#include <algorithm>

#include "image/device_context.h"
#include "image/dib_image.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

int HeldGain(int gain) { return std::clamp(gain, 1, 64); }

int ChannelDifference(std::uint32_t a, std::uint32_t b, int shift)
{
    const int x = int((a >> shift) & 0xFF);
    const int y = int((b >> shift) & 0xFF);
    return x > y ? x - y : y - x;
}

}  // namespace

void DifferencePixelsPlain(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                           int gain)
{
    gain = HeldGain(gain);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t pixel = OPAQUE;
        for (int shift = 0; shift < 24; shift += 8) {
            const int value = std::min(255, ChannelDifference(a[i], b[i], shift) * gain);
            pixel |= std::uint32_t(value) << shift;
        }
        out[i] = pixel;
    }
}

void DifferencePixels(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                      int gain)
{
    gain = HeldGain(gain);
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four pixels a step: |a - b| is the OR of the two saturated
    // subtractions; the gain multiplies in 16 bits (255 x 64 fits) and the
    // pack back to bytes saturates at 255.
    const __m128i alpha = _mm_set1_epi32(int(OPAQUE));
    const __m128i zero = _mm_setzero_si128();
    const __m128i factor = _mm_set1_epi16(short(gain));
    for (; i + 4 <= count; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i d = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
        if (gain != 1) {
            const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), factor);
            const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), factor);
            d = _mm_packus_epi16(low, high);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(d, alpha));
    }
#endif
    DifferencePixelsPlain(a + i, b + i, out + i, count - i, gain);
}

std::vector<std::uint32_t> DrawnPixels(const CDibImage& image)
{
    const std::int64_t width = image.Width();
    const std::int64_t height = image.Height();
    if (image.IsEmpty() || width <= 0 || height <= 0 || width * height > MAX_MEASURED_PIXELS) return {};
    std::vector<std::uint32_t> pixels(std::size_t(width * height));
    DeviceContext dc(pixels.data(), int(width), int(height), int(width * 4));
    dc.FillSolid({0, 0, int(width), int(height)}, 0xFFFFFF);
    image.Draw(&dc, 0, 0, -1, -1);
    return pixels;
}

PairDifference MeasureDifference(const std::vector<std::uint32_t>& a, int aWidth, int aHeight,
                                 const std::vector<std::uint32_t>& b, int bWidth, int bHeight)
{
    PairDifference result;
    if (a.size() != std::size_t(std::max(0, aWidth)) * std::size_t(std::max(0, aHeight)) ||
        b.size() != std::size_t(std::max(0, bWidth)) * std::size_t(std::max(0, bHeight)))
        return result;
    const int width = std::min(aWidth, bWidth);
    const int height = std::min(aHeight, bHeight);
    // Pixels of one picture only.
    result.differing = std::int64_t(aWidth) * aHeight + std::int64_t(bWidth) * bHeight -
                       2 * std::int64_t(std::max(0, width)) * std::max(0, height);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* rowA = a.data() + std::size_t(y) * std::size_t(aWidth);
        const std::uint32_t* rowB = b.data() + std::size_t(y) * std::size_t(bWidth);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = rowA[x] & 0xFFFFFF;
            const std::uint32_t q = rowB[x] & 0xFFFFFF;
            if (p == q) continue;
            ++result.differing;
            for (int shift = 0; shift < 24; shift += 8)
                result.largest = std::max(result.largest, ChannelDifference(p, q, shift));
        }
    }
    return result;
}
