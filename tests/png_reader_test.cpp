// The PNG reader on files written in the test with libpng's writer: what
// each colour type and depth becomes, transparency, background blending,
// row order and failures.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/png_image.h"
#include "tests/support/png_test_files.h"
#include "tests/support/decode_bytes.h"

namespace {

using kestrel::test::DecodeFromBytes;
using kestrel::test::PixelAt;
using kestrel::test::PngRecipe;
using kestrel::test::SeenPixel;
using kestrel::test::WritePng;

PngRecipe Recipe(int width, int height, int bitDepth, int colourType, std::vector<png_byte> pixels)
{
    PngRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.bitDepth = bitDepth;
    recipe.colourType = colourType;
    recipe.pixels = std::move(pixels);
    return recipe;
}

// Loads recipe's file, asserting that it was written and read.
void LoadPng(CDibImage& image, const PngRecipe& recipe)
{
    const std::string file = WritePng(recipe);
    ASSERT_FALSE(file.empty()) << "libpng refused the test file";
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Png)) << image.LastError();
}

void ExpectPixel(const CDibImage& image, int x, int y, SeenPixel want)
{
    const SeenPixel got = PixelAt(image, x, y);
    EXPECT_EQ(got.red, want.red) << "at " << x << "," << y;
    EXPECT_EQ(got.green, want.green) << "at " << x << "," << y;
    EXPECT_EQ(got.blue, want.blue) << "at " << x << "," << y;
    EXPECT_EQ(got.alpha, want.alpha) << "at " << x << "," << y;
}

std::vector<png_color> FourColours()
{
    return {{200, 10, 20}, {30, 40, 50}, {60, 70, 80}, {90, 100, 110}};
}

TEST(PngReader, NonPngFilesFailWithTheReadMessage)
{
    for (const std::string& bytes : {std::string(), std::string("GIF89a not a png at all"),
                                    std::string("\x89PNG\r\n\x1a\n", 8)}) {
        CDibImage image(ImageFormat::Png);
        EXPECT_FALSE(DecodeFromBytes(image, bytes, ImageFormat::Png));
        EXPECT_STREQ(image.LastError(), "Error reading PNG file");
        EXPECT_TRUE(image.IsEmpty());
    }
}

TEST(PngReader, RowsAreStoredBottomUp)
{
    // Grey 8-bit, 2 x 3: the file's first row ends in the last stored row.
    CDibImage image(ImageFormat::Png);
    LoadPng(image, Recipe(2, 3, 8, PNG_COLOR_TYPE_GRAY, {10, 11, 20, 21, 30, 31}));
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.GetPixelIndex(0, 2), 10);
    EXPECT_EQ(image.GetPixelIndex(1, 2), 11);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 30);
    EXPECT_EQ(image.GetPaletteColour(200).rgbRed, 200);
}

TEST(PngReader, PaletteDepthsGiveMatchingImages)
{
    struct Case {
        int bitDepth;
        int bitCount;
        std::vector<png_byte> row;  // indices 3, 1, 0, 2 packed
    };
    const Case cases[] = {{1, 1, {0b1000'0000}}, {2, 4, {0b11'01'00'10}}, {4, 4, {0x31, 0x02}},
                          {8, 8, {3, 1, 0, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitDepth);
        PngRecipe recipe = Recipe(c.bitDepth == 1 ? 1 : 4, 1, c.bitDepth, PNG_COLOR_TYPE_PALETTE, c.row);
        recipe.palette = FourColours();
        recipe.palette.resize(c.bitDepth == 1 ? 2 : 4);
        CDibImage image(ImageFormat::Png);
        LoadPng(image, recipe);
        EXPECT_EQ(image.BitCount(), c.bitCount);
        EXPECT_EQ(image.Info().transparentIndex, -1);
        EXPECT_EQ(image.Info().paletteHasAlpha, 0);
        if (c.bitDepth == 1) {
            EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
            continue;
        }
        const int expected[] = {3, 1, 0, 2};
        for (int x = 0; x < 4; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), expected[x]) << x;
        ExpectPixel(image, 0, 0, {90, 100, 110, 255});
    }
}

TEST(PngReader, TwoBitGreyBecomesFourBitsWithFourFixedGreys)
{
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        // 9 x 2 so that the interlace passes leave gaps to fill.
        PngRecipe recipe = Recipe(9, 2, 2, PNG_COLOR_TYPE_GRAY,
                            {0b00'01'10'11, 0b11'10'01'00, 0b01'00'00'00,
                             0b11'11'00'00, 0b01'01'10'10, 0b10'00'00'00});
        recipe.interlaced = interlaced;
        CDibImage image(ImageFormat::Png);
        LoadPng(image, recipe);
        ASSERT_EQ(image.BitCount(), 4);
        const int top[] = {0, 1, 2, 3, 3, 2, 1, 0, 1};
        const int bottom[] = {3, 3, 0, 0, 1, 1, 2, 2, 2};
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(image.GetPixelIndex(x, 1), top[x]) << x;
            EXPECT_EQ(image.GetPixelIndex(x, 0), bottom[x]) << x;
        }
        const int greys[] = {0, 85, 170, 255};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(image.GetPaletteColour(BYTE(i)).rgbGreen, greys[i]);
        EXPECT_EQ(image.GetPaletteColour(4).rgbGreen, 0);
    }
}

TEST(PngReader, OneFullyTransparentPaletteEntryBecomesTheTransparentIndex)
{
    PngRecipe recipe = Recipe(4, 1, 8, PNG_COLOR_TYPE_PALETTE, {0, 1, 2, 3});
    recipe.palette = FourColours();
    recipe.transAlpha = {0};
    // A bKGD colour must not leak into the copied palette.
    recipe.background = png_color_16{1, 0, 0, 0, 0};
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.Info().transparentIndex, 0);
    EXPECT_EQ(image.Info().paletteHasAlpha, 0);
    const RGBQUAD entry0 = image.GetPaletteColour(0);
    EXPECT_EQ(entry0.rgbRed, 200);
    EXPECT_EQ(entry0.rgbGreen, 10);
    EXPECT_EQ(entry0.rgbBlue, 20);
    EXPECT_EQ(entry0.rgbReserved, 0);
}

TEST(PngReader, PartialPaletteAlphaFillsTheRestOpaque)
{
    PngRecipe recipe = Recipe(4, 1, 8, PNG_COLOR_TYPE_PALETTE, {0, 1, 2, 3});
    recipe.palette = FourColours();
    recipe.transAlpha = {128};
    recipe.background = png_color_16{1, 0, 0, 0, 0};
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.Info().transparentIndex, -1);
    EXPECT_EQ(image.Info().paletteHasAlpha, 1);
    EXPECT_EQ(image.GetPaletteColour(0).rgbReserved, 128);
    EXPECT_EQ(image.GetPaletteColour(0).rgbRed, 200);
    for (int i = 1; i < 256; ++i) ASSERT_EQ(image.GetPaletteColour(BYTE(i)).rgbReserved, 255) << i;

    recipe.transAlpha = {0, 50, 255};
    CDibImage several(ImageFormat::Png);
    LoadPng(several, recipe);
    EXPECT_EQ(several.Info().transparentIndex, -1);
    EXPECT_EQ(several.Info().paletteHasAlpha, 1);
    EXPECT_EQ(several.GetPaletteColour(1).rgbReserved, 50);
    EXPECT_EQ(several.GetPaletteColour(3).rgbReserved, 255);
}

TEST(PngReader, GreyWithTransparentLevelIsBlendedWithoutPaletteAlpha)
{
    // Grey tRNS gives a level, not alpha bytes: pixels of that level take
    // the background, nothing else is marked transparent.
    PngRecipe recipe = Recipe(3, 1, 8, PNG_COLOR_TYPE_GRAY, {7, 8, 9});
    recipe.transColour = png_color_16{0, 0, 0, 0, 7};
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.Info().transparentIndex, -1);
    EXPECT_EQ(image.Info().paletteHasAlpha, 0);
    ExpectPixel(image, 0, 0, {0, 0, 0, 255});
    ExpectPixel(image, 1, 0, {8, 8, 8, 255});
    EXPECT_EQ(image.GetPaletteColour(7).rgbReserved, 0);

    recipe.background = png_color_16{0, 0, 0, 0, 100};
    CDibImage overBackground(ImageFormat::Png);
    LoadPng(overBackground, recipe);
    ExpectPixel(overBackground, 0, 0, {100, 100, 100, 255});

    // Low depths too: a 4-bit level of 15 over bKGD level 5 (85).
    PngRecipe low = Recipe(2, 1, 4, PNG_COLOR_TYPE_GRAY, {0xF3});
    low.transColour = png_color_16{0, 0, 0, 0, 15};
    low.background = png_color_16{0, 0, 0, 0, 5};
    CDibImage lowDepth(ImageFormat::Png);
    LoadPng(lowDepth, low);
    EXPECT_EQ(lowDepth.BitCount(), 4);
    ExpectPixel(lowDepth, 0, 0, {85, 85, 85, 255});
    ExpectPixel(lowDepth, 1, 0, {51, 51, 51, 255});
}

TEST(PngReader, RgbTransparentColourIsBlendedOverTheDefaultBackground)
{
    PngRecipe recipe = Recipe(2, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6});
    recipe.transColour = png_color_16{0, 1, 2, 3, 0};
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    ExpectPixel(image, 0, 0, {192, 192, 192, 255});
    ExpectPixel(image, 1, 0, {4, 5, 6, 255});
    // Stored blue, green, red.
    EXPECT_EQ(image.Info().pixels[3], 6);
    EXPECT_EQ(image.Info().pixels[5], 4);
}

TEST(PngReader, EightBitRgbaKeepsItsAlphaPlane)
{
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        std::vector<png_byte> pixels;
        for (int i = 0; i < 9 * 3; ++i)
            pixels.insert(pixels.end(), {png_byte(i), png_byte(2 * i), png_byte(3 * i), png_byte(255 - i)});
        PngRecipe recipe = Recipe(9, 3, 8, PNG_COLOR_TYPE_RGB_ALPHA, pixels);
        recipe.interlaced = interlaced;
        CDibImage image(ImageFormat::Png);
        LoadPng(image, recipe);
        EXPECT_EQ(image.BitCount(), 24);
        ASSERT_NE(image.AlphaPlane(), nullptr);
        EXPECT_EQ(image.Info().pixelType, 4);
        for (int i = 0; i < 27; ++i) {
            const int x = i % 9;
            const int y = 2 - i / 9;
            ExpectPixel(image, x, y, {i, 2 * i, 3 * i, 255 - i});
        }
    }
}

TEST(PngReader, RgbaBackgroundColourBecomesTheTransparentColour)
{
    PngRecipe recipe = Recipe(1, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4});
    recipe.background = png_color_16{0, 10, 20, 30, 0};
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    ASSERT_NE(image.AlphaPlane(), nullptr);
    const RGBQUAD key = image.Info().transparentColour;
    EXPECT_EQ(key.rgbRed, 10);
    EXPECT_EQ(key.rgbGreen, 20);
    EXPECT_EQ(key.rgbBlue, 30);
    ExpectPixel(image, 0, 0, {1, 2, 3, 4});
}

TEST(PngReader, SixteenBitGreyAlphaGetsAnAlphaPlane)
{
    PngRecipe recipe = Recipe(2, 1, 16, PNG_COLOR_TYPE_GRAY_ALPHA, {0x12, 0x34, 0x80, 0x00, 0xAB, 0xCD, 0xFF, 0xFF});
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.BitCount(), 24);
    ASSERT_NE(image.AlphaPlane(), nullptr);
    ExpectPixel(image, 0, 0, {0x12, 0x12, 0x12, 0x80});
    ExpectPixel(image, 1, 0, {0xAB, 0xAB, 0xAB, 0xFF});
}

TEST(PngReader, SixteenBitRgbaIsBlendedWithoutAnAlphaPlane)
{
    // Pixel 0 fully transparent, pixel 1 opaque red, pixel 2 half-covered white.
    const std::vector<png_byte> pixels = {0, 0, 0, 0, 0, 0, 0, 0,
                                          0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00};
    PngRecipe recipe = Recipe(3, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, pixels);
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    ExpectPixel(image, 0, 0, {192, 192, 192, 255});
    ExpectPixel(image, 1, 0, {255, 0, 0, 255});
    const SeenPixel half = PixelAt(image, 2, 0);
    EXPECT_NEAR(half.red, 223, 1);

    recipe.background = png_color_16{0, 0, 0xFFFF, 0, 0};
    CDibImage overGreen(ImageFormat::Png);
    LoadPng(overGreen, recipe);
    ExpectPixel(overGreen, 0, 0, {0, 255, 0, 255});
    ExpectPixel(overGreen, 1, 0, {255, 0, 0, 255});
}

TEST(PngReader, EightBitGreyAlphaIsBlendedOverBlackWhateverTheFileGamma)
{
    // 255 at alpha 128 over black is 128 as a plain weighted sum; blending in
    // linear light under the file's gamma would give about 186.
    for (const double gamma : {0.0, 1.0 / 2.2, 1.0}) {
        SCOPED_TRACE(gamma);
        PngRecipe recipe = Recipe(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {255, 128, 40, 255});
        recipe.gamma = gamma;
        CDibImage image(ImageFormat::Png);
        LoadPng(image, recipe);
        EXPECT_EQ(image.BitCount(), 8);
        EXPECT_EQ(image.AlphaPlane(), nullptr);
        ExpectPixel(image, 0, 0, {128, 128, 128, 255});
        ExpectPixel(image, 1, 0, {40, 40, 40, 255});
    }
}

TEST(PngReader, SixteenBitGreyKeepsTheHighByte)
{
    PngRecipe recipe = Recipe(2, 1, 16, PNG_COLOR_TYPE_GRAY, {0x12, 0xFF, 0xFE, 0x01});
    CDibImage image(ImageFormat::Png);
    LoadPng(image, recipe);
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 0x12);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 0xFE);
}

TEST(PngReader, ImageTooLargeToHoldFailsWithAMessage)
{
    // A valid 1 x 1 RGB file whose header then claims 1,000,000 x 1,000,000.
    std::string file = WritePng(Recipe(1, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3}));
    ASSERT_FALSE(file.empty());
    const char huge[8] = {0, 0x0F, 0x42, 0x40, 0, 0x0F, 0x42, 0x40};
    file.replace(16, 8, huge, 8);
    file = kestrel::test::WithRepairedCrcs(file);
    CDibImage image(ImageFormat::Png);
    EXPECT_FALSE(DecodeFromBytes(image, file, ImageFormat::Png));
    EXPECT_STREQ(image.LastError(), "Can't allocate memory for PNG image");
    EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
