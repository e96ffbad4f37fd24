#include "tests/support/decode_bytes.h"


namespace kestrel::test {

SeenPixel PixelAt(const CDibImage& image, int x, int y)
{
    SeenPixel seen{0, 0, 0, 255};
    if (image.IsEmpty() || !image.IsInside(x, y)) return seen;
    if (image.BitCount() == 24) {
        const BYTE* p = image.Info().pixels + std::size_t(y) * image.Info().stride + 3 * std::size_t(x);
        seen = SeenPixel{p[2], p[1], p[0], 255};
    } else {
        const BYTE index = image.GetPixelIndex(x, y);
        const RGBQUAD colour = image.GetPaletteColour(index);
        seen = SeenPixel{colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 255};
        if (image.Info().paletteHasAlpha) seen.alpha = colour.rgbReserved;
        if (image.Info().transparentIndex == index) seen.alpha = 0;
    }
    if (image.AlphaPlane())
        seen.alpha = image.AlphaPlane()[std::size_t(y) * image.Width() + std::size_t(x)];
    return seen;
}

}  // namespace kestrel::test
