#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/dib_image.h"

namespace {

struct Bgr {
    int blue, green, red;
};

Bgr PixelBgr(const CDibImage& image, int x, int y)
{
    const BYTE* p = image.Info().pixels + y * image.Info().stride + 3 * x;
    return {p[0], p[1], p[2]};
}

// A one-pixel 16-bit source row padded to 4 bytes.
std::vector<BYTE> Word(unsigned v) { return {BYTE(v), BYTE(v >> 8), 0, 0}; }

TEST(Convert16To24, FiveFiveFiveChannelsLandOnTheTopBits)
{
    struct Case {
        unsigned word;
        Bgr expected;
    } cases[] = {{0x7FFF, {248, 248, 248}}, {0x001F, {248, 0, 0}}, {0x03E0, {0, 248, 0}},
                 {0x7C00, {0, 0, 248}},     {0x8000, {0, 0, 0}},   {0x4210, {128, 128, 128}}};
    for (const Case& c : cases) {
        CDibImage image(ImageFormat::Bmp);
        ASSERT_NE(image.Create(1, 1, 24, ImageFormat::Bmp), nullptr);
        const auto src = Word(c.word);
        image.Convert16or32To24(src.data(), 0x7C00, 0x03E0, 0x001F, 16);
        const Bgr got = PixelBgr(image, 0, 0);
        EXPECT_EQ(got.blue, c.expected.blue) << std::hex << c.word;
        EXPECT_EQ(got.green, c.expected.green) << std::hex << c.word;
        EXPECT_EQ(got.red, c.expected.red) << std::hex << c.word;
    }
}

TEST(Convert16To24, FiveSixFiveAndMasksAnywhereInTheWord)
{
    struct Case {
        DWORD r, g, b;
        unsigned word;
        Bgr expected;
    } cases[] = {
        {0xF800, 0x07E0, 0x001F, 0xFFFF, {248, 252, 248}},
        {0xF800, 0x07E0, 0x001F, 0x07E0, {0, 252, 0}},
        {0x0F00, 0x00F0, 0x000F, 0x0F00, {0, 0, 240}},              // 4-4-4
        {0xF800, 0x07C0, 0x003E, 0x003E, {248, 0, 0}},              // 5-5-5 over an unused bit 0
        {0x001F, 0x07E0, 0xF800, 0x001F, {0, 0, 248}},              // red in the low bits
    };
    for (const Case& c : cases) {
        CDibImage image(ImageFormat::Bmp);
        ASSERT_NE(image.Create(1, 1, 24, ImageFormat::Bmp), nullptr);
        const auto src = Word(c.word);
        image.Convert16or32To24(src.data(), c.r, c.g, c.b, 16);
        const Bgr got = PixelBgr(image, 0, 0);
        EXPECT_EQ(got.blue, c.expected.blue) << std::hex << c.word << " masks " << c.r << " " << c.g;
        EXPECT_EQ(got.green, c.expected.green) << std::hex << c.word;
        EXPECT_EQ(got.red, c.expected.red) << std::hex << c.word;
    }
}

TEST(Convert16To24, SourceRowsArePaddedToFourBytes)
{
    // 3 pixels wide: 8 bytes apart; row 1 holds pure red in its first pixel.
    std::vector<BYTE> src(16, 0);
    src[8] = 0x00;
    src[9] = 0x7C;
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(3, 2, 24, ImageFormat::Bmp), nullptr);
    image.Convert16or32To24(src.data(), 0x7C00, 0x03E0, 0x001F, 16);
    EXPECT_EQ(PixelBgr(image, 0, 1).red, 248);
    EXPECT_EQ(PixelBgr(image, 0, 0).red, 0);

    // 2 pixels wide: 4 bytes apart.
    std::vector<BYTE> two = {0, 0, 0, 0, 0x1F, 0, 0, 0};
    ASSERT_NE(image.Create(2, 2, 24, ImageFormat::Bmp), nullptr);
    image.Convert16or32To24(two.data(), 0x7C00, 0x03E0, 0x001F, 16);
    EXPECT_EQ(PixelBgr(image, 0, 1).blue, 248);
    EXPECT_EQ(PixelBgr(image, 0, 0).blue, 0);
}

TEST(Convert16To24, WidensInPlaceFromTheImagesOwnRows)
{
    const int width = 5, height = 3;
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(width, height, 24, ImageFormat::Bmp), nullptr);
    const int srcStride = (width + 1) / 2 * 4;
    BYTE* rows = image.Info().pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned v = unsigned(x) | (unsigned(y) << 5) | (unsigned(x + y) << 10);
            rows[y * srcStride + 2 * x] = BYTE(v);
            rows[y * srcStride + 2 * x + 1] = BYTE(v >> 8);
        }
    image.Convert16or32To24(rows, 0x7C00, 0x03E0, 0x001F, 16);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr got = PixelBgr(image, x, y);
            EXPECT_EQ(got.blue, x << 3);
            EXPECT_EQ(got.green, y << 3);
            EXPECT_EQ(got.red, (x + y) << 3);
        }
}

TEST(Convert32To24, KeepsTheFirstThreeBytesOfEachPixel)
{
    std::vector<BYTE> src = {10, 20, 30, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 2, 24, ImageFormat::Bmp), nullptr);
    image.Convert16or32To24(src.data(), 0, 0, 0, 32);
    const Bgr first = PixelBgr(image, 0, 0);
    EXPECT_EQ(first.blue, 10);
    EXPECT_EQ(first.green, 20);
    EXPECT_EQ(first.red, 30);
    EXPECT_EQ(PixelBgr(image, 1, 1).red, 11);
}

TEST(ConvertTo24, OtherBitCountsAndIndexedTargetsChangeNothing)
{
    std::vector<BYTE> src(64, 0xFF);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 2, 24, ImageFormat::Bmp), nullptr);
    image.Convert16or32To24(src.data(), 0x7C00, 0x03E0, 0x001F, 24);
    EXPECT_EQ(PixelBgr(image, 1, 1).red, 0);

    ASSERT_NE(image.Create(2, 2, 8, ImageFormat::Bmp), nullptr);
    image.Convert16or32To24(src.data(), 0, 0, 0, 32);
    EXPECT_EQ(image.Info().pixels[0], 0);
}

TEST(SwapRedBlue, SwapsWholePixelsOfTrueColourRowsOnly)
{
    CDibImage image(ImageFormat::Png);
    ASSERT_NE(image.Create(2, 1, 24, ImageFormat::Png), nullptr);
    BYTE row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    image.SwapRedBlue(row, 6);
    const BYTE swapped[8] = {3, 2, 1, 6, 5, 4, 7, 8};
    EXPECT_EQ(std::memcmp(row, swapped, 8), 0);

    // Never past the image's stride (8 bytes here), whatever length says.
    BYTE longRow[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    image.SwapRedBlue(longRow, 12);
    EXPECT_EQ(longRow[8], 9);
    EXPECT_EQ(longRow[10], 11);

    ASSERT_NE(image.Create(6, 1, 8, ImageFormat::Png), nullptr);
    BYTE indexed[6] = {1, 2, 3, 4, 5, 6};
    image.SwapRedBlue(indexed, 6);
    EXPECT_EQ(indexed[0], 1);
    image.SwapRedBlue(nullptr, 6);  // no crash
}

TEST(MirrorHorizontal, FourBitRowAndItsAlphaTurnAround)
{
    CDibImage image(ImageFormat::Tga);
    ASSERT_NE(image.Create(3, 2, 4, ImageFormat::Tga), nullptr);
    image.SetPaletteEntry(3, 30, 31, 32, 0);
    for (int x = 0; x < 3; ++x) {
        image.SetPixelIndex(x, 0, BYTE(x + 1));
        image.SetPixelIndex(x, 1, BYTE(7 - x));
    }
    ASSERT_NE(image.CreateAlpha(), nullptr);
    for (int x = 0; x < 3; ++x) image.SetAlpha(x, 0, BYTE(10 * (x + 1)));
    image.SetOpacity(77);

    ASSERT_TRUE(image.MirrorHorizontal());
    EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(0, 1), 5);
    EXPECT_EQ(image.GetPixelIndex(2, 1), 7);
    ASSERT_NE(image.AlphaPlane(), nullptr);
    EXPECT_EQ(image.AlphaPlane()[0], 30);
    EXPECT_EQ(image.AlphaPlane()[1], 20);
    EXPECT_EQ(image.AlphaPlane()[2], 10);
    EXPECT_EQ(image.GetPaletteColour(3).rgbRed, 30);
    EXPECT_EQ(image.Info().opacity, 77);
}

TEST(MirrorHorizontal, EveryDepthTurnsAround)
{
    for (int depth : {1, 8, 24}) {
        CDibImage image(ImageFormat::Tga);
        ASSERT_NE(image.Create(9, 2, depth, ImageFormat::Tga), nullptr);
        if (depth == 24) {
            image.SetPixelQuad(0, 1, RGBQUAD{1, 2, 3, 0});
            image.SetPixelQuad(4, 1, RGBQUAD{4, 5, 6, 0});
        } else {
            image.SetPixelIndex(0, 1, 1);
            image.SetPixelIndex(4, 1, 1);
        }
        ASSERT_TRUE(image.MirrorHorizontal()) << depth;
        if (depth == 24) {
            const Bgr moved = PixelBgr(image, 8, 1);
            EXPECT_EQ(moved.blue + moved.green + moved.red, 6) << depth;
            EXPECT_EQ(PixelBgr(image, 4, 1).red, 6) << depth;
            EXPECT_EQ(PixelBgr(image, 0, 1).red, 0) << depth;
            EXPECT_EQ(image.Info().pixelType, 2);
        } else {
            EXPECT_EQ(image.GetPixelIndex(8, 1), 1) << depth;
            EXPECT_EQ(image.GetPixelIndex(4, 1), 1) << depth;
            EXPECT_EQ(image.GetPixelIndex(0, 1), 0) << depth;
        }
    }
}

TEST(MirrorHorizontal, EmptyImageAndMissingAlphaFail)
{
    CDibImage image(ImageFormat::Tga);
    EXPECT_FALSE(image.MirrorHorizontal());
    EXPECT_FALSE(image.MirrorAlpha());
    ASSERT_NE(image.Create(2, 2, 24, ImageFormat::Tga), nullptr);
    EXPECT_FALSE(image.MirrorAlpha());
    ASSERT_NE(image.CreateAlpha(), nullptr);
    image.SetAlpha(0, 1, 9);
    EXPECT_TRUE(image.MirrorAlpha());
    EXPECT_EQ(image.AlphaPlane()[3], 9);
    EXPECT_EQ(image.Info().pixelType, 4);
}

}  // namespace
