#include "tests/support/reader_bytes.h"

#include <cstdio>

namespace kestrel::test {

Rgba SeenPixel(const CDibImage& image, int x, int rowFromTop)
{
    const int y = image.Height() - 1 - rowFromTop;
    Rgba result{0, 0, 0, 255};
    if (!image.IsInside(x, y)) return result;
    if (image.BitCount() == 24) {
        const BYTE* p = image.Info().pixels + std::size_t(y) * image.Info().stride + 3 * std::size_t(x);
        result = Rgba{p[2], p[1], p[0], 255};
    } else {
        const RGBQUAD q = image.GetPaletteColour(image.GetPixelIndex(x, y));
        result = Rgba{q.rgbRed, q.rgbGreen, q.rgbBlue, 255};
    }
    if (image.AlphaPlane()) result.a = image.AlphaPlane()[std::size_t(y) * image.Width() + x];
    return result;
}

int FuzzReader(const std::string& bytes, ImageFormat format, int frameIndex)
{
    int successes = 0;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        CDibImage image(format);
        successes += DecodeFromBytes(image, bytes.substr(0, length), format, frameIndex);
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (unsigned value : {0x00u, 0x80u, 0xFFu}) {
            std::string changed = bytes;
            if (std::uint8_t(changed[at]) == value) continue;
            changed[at] = char(value);
            CDibImage image(format);
            successes += DecodeFromBytes(image, changed, format, frameIndex);
        }
    }
    return successes;
}

}  // namespace kestrel::test
