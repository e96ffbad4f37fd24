// Photo-like GIF pictures for benchmarks: a colour field quantised to a
// 256-colour cube with Floyd-Steinberg error diffusion, as GIFs of
// photographs usually are (few runs, LZW data about as long as the pixels).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/support/gif_writer.h"

namespace kestrel::test {

// A 6 x 7 x 6 colour cube (252 colours) plus four greys.
inline std::vector<GifColour> CubePalette()
{
    std::vector<GifColour> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({std::uint8_t(r * 51), std::uint8_t(g * 255 / 6), std::uint8_t(b * 51)});
    for (int i = 1; i <= 4; ++i)
        palette.push_back({std::uint8_t(i * 51 - 25), std::uint8_t(i * 51 - 25), std::uint8_t(i * 51 - 25)});
    return palette;
}

// colourAt(x, y, rgb) gives the wanted colour of each pixel, called once per
// pixel in row order (so a random grain in it stays repeatable).
template <class ColourAt>
GifPicture DitheredToCube(int width, int height, ColourAt colourAt)
{
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.palette = CubePalette();
    picture.pixels.resize(std::size_t(width) * std::size_t(height));
    const int steps[3] = {5, 6, 5};
    const std::size_t span = std::size_t(width + 2) * 3;
    std::vector<double> error(span * 2, 0.0);
    double* current = error.data();
    double* next = error.data() + span;
    for (int y = 0; y < height; ++y) {
        std::fill(next, next + span, 0.0);
        for (int x = 0; x < width; ++x) {
            double rgb[3];
            colourAt(x, y, rgb);
            int level[3];
            for (int c = 0; c < 3; ++c) {
                const double want = std::clamp(rgb[c] + current[std::size_t(x + 1) * 3 + c], 0.0, 255.0);
                level[c] = int(std::lround(want * steps[c] / 255.0));
                const double e = want - level[c] * 255.0 / steps[c];
                current[std::size_t(x + 2) * 3 + c] += e * 7 / 16;
                next[std::size_t(x) * 3 + c] += e * 3 / 16;
                next[std::size_t(x + 1) * 3 + c] += e * 5 / 16;
                next[std::size_t(x + 2) * 3 + c] += e * 1 / 16;
            }
            picture.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                std::uint8_t((level[0] * 7 + level[1]) * 6 + level[2]);
        }
        std::swap(current, next);
    }
    return picture;
}

}  // namespace kestrel::test
