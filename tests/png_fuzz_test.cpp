// Cheap deterministic fuzz of the PNG reader: small files of several kinds,
// cut at every length and with every byte flipped (CRCs repaired so that the
// damage reaches the decoder). The reader must fail cleanly or load a
// consistent picture; ASan and UBSan watch the rest.
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "tests/support/png_test_files.h"
#include "tests/support/decode_bytes.h"

namespace {

using kestrel::test::PngRecipe;

std::vector<png_byte> Ramp(std::size_t count)
{
    std::vector<png_byte> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = png_byte(i * 37 + 11);
    return bytes;
}

std::vector<std::string> SeedFiles()
{
    std::vector<std::string> files;
    auto add = [&](int width, int height, int depth, int type, bool interlaced) {
        PngRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.bitDepth = depth;
        recipe.colourType = type;
        recipe.interlaced = interlaced;
        recipe.pixels = Ramp(kestrel::test::PngRowBytes(recipe) * std::size_t(height));
        if (type == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; i < (1 << depth); ++i)
                recipe.palette.push_back(png_color{png_byte(i), png_byte(255 - i), png_byte(i * 3)});
            recipe.transAlpha = {0, 128};
        }
        if (type == PNG_COLOR_TYPE_RGB) recipe.transColour = png_color_16{0, 11, 48, 85, 0};
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA) recipe.background = png_color_16{0, 0, 0, 0, 3};
        const std::string file = kestrel::test::WritePng(recipe);
        if (!file.empty()) files.push_back(file);
    };
    add(5, 3, 2, PNG_COLOR_TYPE_PALETTE, true);
    add(6, 4, 2, PNG_COLOR_TYPE_GRAY, true);
    add(3, 3, 16, PNG_COLOR_TYPE_RGB_ALPHA, true);
    add(4, 2, 8, PNG_COLOR_TYPE_GRAY_ALPHA, false);
    add(3, 2, 16, PNG_COLOR_TYPE_RGB, false);
    add(7, 3, 16, PNG_COLOR_TYPE_GRAY_ALPHA, true);
    return files;
}

// Whatever the outcome, the image must agree with itself.
void ExpectConsistent(const CDibImage& image, bool ok)
{
    if (!ok) {
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_NE(image.LastError()[0], '\0');
        return;
    }
    ASSERT_FALSE(image.IsEmpty());
    const int bits = image.BitCount();
    EXPECT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << bits;
    if (image.AlphaPlane()) {
        EXPECT_EQ(bits, 24);
    }
}

TEST(PngFuzz, EveryTruncationFailsCleanlyOrLoads)
{
    const std::vector<std::string> seeds = SeedFiles();
    ASSERT_EQ(seeds.size(), 6u);
    for (const std::string& seed : seeds) {
        for (std::size_t length = 0; length < seed.size(); ++length) {
            CDibImage image(ImageFormat::Png);
            const bool ok = kestrel::test::DecodeFromBytes(image, seed.substr(0, length), ImageFormat::Png);
            ExpectConsistent(image, ok);
            // Without its IEND chunk a file cannot be read to the end.
            EXPECT_FALSE(ok) << "length " << length;
        }
    }
}

TEST(PngFuzz, FlippedBytesWithRepairedCrcsNeverBreakTheReader)
{
    for (const std::string& seed : SeedFiles()) {
        for (std::size_t at = 8; at < seed.size(); ++at) {
            for (const unsigned char mask : {0x01, 0x10, 0x80, 0xFF}) {
                std::string damaged = seed;
                damaged[at] = char(damaged[at] ^ mask);
                damaged = kestrel::test::WithRepairedCrcs(damaged);
                CDibImage image(ImageFormat::Png);
                const bool ok = kestrel::test::DecodeFromBytes(image, damaged, ImageFormat::Png);
                ExpectConsistent(image, ok);
            }
        }
    }
}

}  // namespace
