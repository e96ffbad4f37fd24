// The difference of two pictures: the fast loop against the plain one, and
// what the measurement of a pair counts.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "compare/shot_difference.h"
#include "image/dib_image.h"

namespace {

TEST(CompareDifference, FastLoopMatchesThePlainOneForEveryGainLengthAndOffset)
{
    std::mt19937 random(7);
    std::vector<std::uint32_t> a(300), b(300);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = random();
        // Near values too, where a gain matters most.
        b[i] = i % 3 ? std::uint32_t(random()) : a[i] ^ (random() & 0x03030303u);
    }
    for (int gain : {-5, 0, 1, 2, 3, 17, 64, 65, 1000}) {
        for (std::size_t offset : {0u, 1u, 3u}) {
            for (std::size_t count : {0u, 1u, 3u, 4u, 5u, 31u, 290u}) {
                std::vector<std::uint32_t> fast(count + 1, 0x12345678u), plain(count + 1, 0x12345678u);
                DifferencePixels(a.data() + offset, b.data() + offset, fast.data(), count, gain);
                DifferencePixelsPlain(a.data() + offset, b.data() + offset, plain.data(), count, gain);
                ASSERT_EQ(fast, plain) << "gain " << gain << ", offset " << offset << ", count " << count;
            }
        }
    }
    // The plain loop itself, on one pixel: |A - B| per channel, times the
    // gain, held at 255, opaque.
    const std::uint32_t x = 0x00102030u, y = 0x7F182010u;
    std::uint32_t out = 0;
    DifferencePixelsPlain(&x, &y, &out, 1, 1);
    EXPECT_EQ(out, 0xFF080020u);
    DifferencePixelsPlain(&x, &y, &out, 1, 10);
    EXPECT_EQ(out, 0xFF5000FFu);
}

TEST(CompareDifference, MeasureCountsDifferingPixelsAndTheLargestChannelDifference)
{
    const std::vector<std::uint32_t> grey(6, 0xFF808080u);
    std::vector<std::uint32_t> onePixel = grey;
    onePixel[4] = 0xFF80A07Fu;  // green +32, blue -1
    const struct {
        const char* name;
        std::vector<std::uint32_t> b;
        int width, height;
        PairDifference expected;
    } cases[] = {
        {"the same", grey, 3, 2, {0, 0}},
        {"one pixel", onePixel, 3, 2, {1, 32}},
        {"only the alpha byte", std::vector<std::uint32_t>(6, 0x00808080u), 3, 2, {0, 0}},
        // A 3 x 2 against a 2 x 3: two pixels of each are their own.
        {"other sizes", std::vector<std::uint32_t>(6, 0xFF808080u), 2, 3, {4, 0}},
        {"sizes that lie", std::vector<std::uint32_t>(5, 0xFF808080u), 3, 2, {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MeasureDifference(grey, 3, 2, c.b, c.width, c.height), c.expected) << c.name;
    }
}

TEST(CompareDifference, DrawnPixelsAreTheColoursDrawOverWhite)
{
    // A GIF-like picture: index 1 transparent shows the white background.
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(2, 1, 8, ImageFormat::Gif), nullptr);
    image.SetPaletteEntry(0, 200, 100, 50, 0);
    image.SetPaletteEntry(1, 0, 0, 0, 0);
    image.SetPixelIndex(0, 0, 0);
    image.SetPixelIndex(1, 0, 1);
    image.SetTransparentIndex(1);
    const std::vector<std::uint32_t> drawn = DrawnPixels(image);
    ASSERT_EQ(drawn.size(), 2u);
    // Blended as Draw blends an opaque pixel: (255 x 1 + 200 x 254) >> 8.
    EXPECT_EQ(drawn[0] & 0xFFFFFF, 0xC76432u);
    EXPECT_EQ(drawn[1] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_TRUE(DrawnPixels(CDibImage(ImageFormat::Gif)).empty());
}

}  // namespace
