// Cheap deterministic fuzz of the JPEG reader: small greyscale, progressive
// colour and CMYK files cut at every length and with every byte flipped. The
// reader must fail with a message or load a consistent picture; ASan and
// UBSan watch the rest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/jpeg_test_files.h"
#include "tests/support/decode_bytes.h"

namespace {

using kestrel::test::JpegRecipe;

std::vector<std::string> SeedFiles()
{
    std::vector<std::string> files;
    auto add = [&](int width, int height, int components, J_COLOR_SPACE input, bool progressive) {
        JpegRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.components = components;
        recipe.input = input;
        recipe.progressive = progressive;
        recipe.quality = 75;
        for (int i = 0; i < width * height * components; ++i) recipe.pixels.push_back(JSAMPLE(i * 29 + 3));
        files.push_back(kestrel::test::WriteJpeg(recipe));
    };
    add(9, 7, 1, JCS_GRAYSCALE, false);
    add(17, 9, 3, JCS_RGB, true);
    add(8, 8, 4, JCS_CMYK, false);
    return files;
}

void ExpectConsistent(const CDibImage& image, bool ok)
{
    if (!ok) {
        EXPECT_TRUE(image.IsEmpty());
        EXPECT_NE(image.LastError()[0], '\0');
        return;
    }
    ASSERT_FALSE(image.IsEmpty());
    EXPECT_TRUE(image.BitCount() == 8 || image.BitCount() == 24) << image.BitCount();
    EXPECT_GT(image.Width(), 0);
    EXPECT_GT(image.Height(), 0);
}

TEST(JpegFuzz, EveryTruncationFailsCleanlyOrLoads)
{
    for (const std::string& seed : SeedFiles()) {
        ASSERT_GT(seed.size(), 100u);
        for (std::size_t length = 0; length < seed.size(); ++length) {
            CDibImage image(ImageFormat::Jpeg);
            ExpectConsistent(image, kestrel::test::DecodeFromBytes(image, seed.substr(0, length), ImageFormat::Jpeg));
        }
    }
}

TEST(JpegFuzz, FlippedBytesNeverBreakTheReader)
{
    for (const std::string& seed : SeedFiles()) {
        for (std::size_t at = 0; at < seed.size(); ++at) {
            for (const unsigned char mask : {0x01, 0x08, 0x80, 0xFF}) {
                std::string damaged = seed;
                damaged[at] = char(damaged[at] ^ mask);
                CDibImage image(ImageFormat::Jpeg);
                ExpectConsistent(image, kestrel::test::DecodeFromBytes(image, damaged, ImageFormat::Jpeg));
            }
        }
    }
}

}  // namespace
