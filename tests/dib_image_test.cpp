#include <cstdint>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "image/dib_image.h"

namespace {

TEST(DibCreate, SizesFollowTheDepth)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(10, 3, 24, ImageFormat::Bmp), nullptr);
    EXPECT_EQ(image.Info().stride, 32);
    EXPECT_EQ(image.Header().biSizeImage, 96u);
    EXPECT_EQ(image.Header().biClrUsed, 0u);
    EXPECT_EQ(image.GetDibSize(), 136u);
    EXPECT_EQ(image.Info().pixelType, 2);

    ASSERT_NE(image.Create(10, 3, 1, ImageFormat::Gif), nullptr);
    EXPECT_EQ(image.Info().stride, 4);
    EXPECT_EQ(image.Header().biClrUsed, 2u);
    EXPECT_EQ(image.GetDibSize(), 60u);
    EXPECT_EQ(image.Info().format, ImageFormat::Gif);
    const RGBQUAD* palette = image.GetPalette();
    ASSERT_NE(palette, nullptr);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(palette[i].rgbRed + palette[i].rgbGreen + palette[i].rgbBlue, 0);
}

TEST(DibCreate, DepthsRoundUp)
{
    CDibImage image(ImageFormat::Bmp);
    const std::pair<int, int> cases[] = {{-3, 1}, {0, 1}, {1, 1}, {2, 4}, {4, 4},
                                         {5, 8}, {8, 8}, {16, 24}, {32, 24}};
    for (const auto& [asked, made] : cases) {
        ASSERT_NE(image.Create(4, 4, asked, ImageFormat::Bmp), nullptr);
        EXPECT_EQ(image.BitCount(), made) << "asked " << asked;
    }
}

TEST(DibCreate, HeaderBlockCopyAndRowsCleared)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(7, 5, 8, ImageFormat::Bmp), nullptr);
    BITMAPINFOHEADER copy;
    std::memcpy(&copy, image.Dib(), sizeof copy);
    EXPECT_EQ(copy.biSize, 40u);
    EXPECT_EQ(copy.biWidth, 7);
    EXPECT_EQ(copy.biHeight, 5);
    EXPECT_EQ(copy.biBitCount, 8);
    EXPECT_EQ(copy.biXPelsPerMeter, 2835);
    EXPECT_EQ(image.GetPixels(), image.Dib() + 40 + 1024);
    for (DWORD i = 0; i < image.Header().biSizeImage; ++i) ASSERT_EQ(image.GetPixels()[i], 0);
}

TEST(DibCreate, RefusesSizesItCannotHold)
{
    CDibImage image(ImageFormat::Bmp);
    EXPECT_EQ(image.Create(-1, 10, 8, ImageFormat::Bmp), nullptr);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Create(10, -1, 8, ImageFormat::Bmp), nullptr);
    EXPECT_EQ(image.Create(65536, 65536, 24, ImageFormat::Bmp), nullptr);  // 12 GiB
    EXPECT_EQ(image.Create(0x7FFFFFFF, 1, 24, ImageFormat::Bmp), nullptr);  // stride overflows
    EXPECT_EQ(image.Create(20000, 20000, 24, ImageFormat::Bmp), nullptr);  // above the 1 GiB cap
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.GetPixels(), nullptr);
    EXPECT_EQ(image.Info().pixels, nullptr);
    // The empty image ignores pixel access whatever its header says.
    image.SetPixelIndex(5, 5, 1);
    EXPECT_EQ(image.GetPixelIndex(5, 5), 0);
    EXPECT_EQ(image.CreateAlpha(), nullptr);
}

TEST(DibCreate, NewBlockDropsTheAlphaPlane)
{
    CDibImage image(ImageFormat::Png);
    ASSERT_NE(image.Create(4, 4, 24, ImageFormat::Png), nullptr);
    ASSERT_NE(image.CreateAlpha(), nullptr);
    EXPECT_EQ(image.Info().pixelType, 4);
    ASSERT_NE(image.Create(100, 100, 24, ImageFormat::Png), nullptr);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_EQ(image.Info().pixelType, 2);
    image.SetAlpha(99, 99, 7);  // no plane: nothing to write
}

TEST(DibInit, Defaults)
{
    CDibImage image(ImageFormat::Tga);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Header().biSize, 40u);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 2835);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 2835);
    EXPECT_EQ(image.Info().transparentIndex, -1);
    EXPECT_EQ(image.Info().opacity, 255);
    EXPECT_EQ(image.Info().drawEnabled, 1);
    EXPECT_EQ(image.Info().xDpi, 72);
    EXPECT_EQ(image.Info().format, ImageFormat::Tga);
    EXPECT_STREQ(image.LastError(), "");
    image.SetXDpi(300);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 11811);
    // A resolution a damaged file claims is held at the field's limits.
    image.SetXDpi(INT32_MAX);
    image.SetYDpi(INT32_MIN);
    EXPECT_EQ(image.Header().biXPelsPerMeter, INT32_MAX);
    EXPECT_EQ(image.Header().biYPelsPerMeter, INT32_MIN);
}

TEST(DibPixels, IndexedPacking)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(9, 2, 4, ImageFormat::Bmp), nullptr);
    image.SetPixelIndex(0, 0, 0x1F);
    EXPECT_EQ(image.GetPixels()[0], 0xF0);
    image.SetPixelIndex(1, 0, 0x03);
    EXPECT_EQ(image.GetPixels()[0], 0xF3);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 15);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 3);

    ASSERT_NE(image.Create(9, 2, 1, ImageFormat::Bmp), nullptr);
    image.SetPixelIndex(0, 1, 3);
    image.SetPixelIndex(8, 1, 1);
    const BYTE* row1 = image.GetPixels() + image.Info().stride;
    EXPECT_EQ(row1[0], 0x80);
    EXPECT_EQ(row1[1], 0x80);
    EXPECT_EQ(image.GetPixelIndex(8, 1), 1);
    EXPECT_EQ(image.GetPixelIndex(7, 1), 0);
}

TEST(DibPixels, OutsideGivesTheTransparentIndex)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(2, 2, 8, ImageFormat::Gif), nullptr);
    EXPECT_EQ(image.GetPixelIndex(-1, 0), 0);
    image.SetTransparentIndex(300);
    EXPECT_EQ(image.GetPixelIndex(-1, 0), 300 & 0xFF);
    EXPECT_EQ(image.GetPixelIndex(0, 2), 300 & 0xFF);
    image.SetPixelIndex(2, 0, 9);  // ignored
    image.SetPixelIndex(0, -1, 9);
}

TEST(DibPixels, QuadsAndNearestColour)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 1, 8, ImageFormat::Bmp), nullptr);
    image.SetPaletteEntry(3, 10, 20, 30, 0);
    image.SetPaletteEntry(7, 10, 20, 30, 0);
    image.SetPaletteEntry(9, 200, 200, 200, 0);
    EXPECT_EQ(image.GetNearestIndex(RGBQUAD{30, 20, 10, 99}), 3);  // exact, lowest wins
    EXPECT_EQ(image.GetNearestIndex(RGBQUAD{190, 190, 190, 0}), 9);
    EXPECT_EQ(image.GetNearestIndex(RGBQUAD{1, 1, 1, 0}), 0);  // entry 0 is black
    image.SetPixelColour(1, 0, RGB(12, 21, 29));
    EXPECT_EQ(image.GetPixelIndex(1, 0), 3);

    ASSERT_NE(image.Create(2, 1, 24, ImageFormat::Bmp), nullptr);
    image.SetPixelColour(1, 0, RGB(1, 2, 3));
    const BYTE* pixel = image.GetPixels() + 3;
    EXPECT_EQ(pixel[0], 3);
    EXPECT_EQ(pixel[1], 2);
    EXPECT_EQ(pixel[2], 1);
    EXPECT_EQ(image.GetNearestIndex(RGBQUAD{1, 2, 3, 0}), 0);  // no table
}

TEST(DibPalette, SettersStayInsideTheTable)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(1, 1, 4, ImageFormat::Bmp), nullptr);
    image.SetPaletteEntry(16, 1, 1, 1, 1);  // beyond 16 entries: ignored
    RGBQUAD big[256];
    for (int i = 0; i < 256; ++i) big[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), BYTE(i)};
    image.SetPalette(big, 256);  // copies 16 entries only
    EXPECT_EQ(image.GetPaletteColour(15).rgbBlue, 15);
    EXPECT_EQ(image.GetPaletteColour(16).rgbBlue, 0);

    BYTE rgb[3 * 20];
    for (int i = 0; i < 60; ++i) rgb[i] = BYTE(100 + i);
    image.SetPaletteFromRgb(rgb, 20);
    EXPECT_EQ(image.GetPaletteColour(1).rgbRed, 103);
    EXPECT_EQ(image.GetPaletteColour(1).rgbGreen, 104);
    EXPECT_EQ(image.GetPaletteColour(1).rgbBlue, 105);
    EXPECT_EQ(image.GetPaletteColour(1).rgbReserved, 1);  // reserved unchanged

    const BYTE red[2] = {7, 8};
    image.SetPaletteFromPlanes(2, red, nullptr, nullptr);
    EXPECT_EQ(image.GetPaletteColour(1).rgbGreen, 8);
    EXPECT_EQ(image.GetPaletteColour(1).rgbBlue, 8);

    image.SetGreyPalette();
    EXPECT_EQ(image.GetPaletteColour(1).rgbRed, 17);
    EXPECT_EQ(image.GetPaletteColour(15).rgbRed, 255);
    EXPECT_EQ(image.GetPaletteColour(15).rgbBlue, 255);
}

TEST(DibPalette, TransparentColourByDepth)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(1, 1, 8, ImageFormat::Gif), nullptr);
    image.SetPaletteEntry(5, 1, 2, 3, 4);
    image.SetTransparentColour(RGBQUAD{9, 9, 9, 9});
    EXPECT_EQ(image.GetTransparentColour().rgbBlue, 9);
    image.SetTransparentIndex(5);
    EXPECT_EQ(image.GetTransparentColour().rgbRed, 1);
    EXPECT_EQ(image.GetTransparentColour().rgbReserved, 4);
}

TEST(DibCopy, CopiesPixelsPaletteAndAlpha)
{
    CDibImage source(ImageFormat::Png);
    ASSERT_NE(source.Create(3, 2, 24, ImageFormat::Png), nullptr);
    source.SetPixelColour(2, 1, RGB(50, 60, 70));
    ASSERT_NE(source.CreateAlpha(), nullptr);
    source.SetAlpha(2, 1, 77);
    source.SetOpacity(12);

    CDibImage full(source, true, true);
    EXPECT_EQ(full.GetDibSize(), source.GetDibSize());
    EXPECT_EQ(std::memcmp(full.Dib(), source.Dib(), source.GetDibSize()), 0);
    ASSERT_NE(full.AlphaPlane(), nullptr);
    EXPECT_EQ(full.AlphaPlane()[1 * 3 + 2], 77);
    EXPECT_EQ(full.Info().opacity, 12);
    EXPECT_EQ(full.Info().pixels, full.GetPixels());
    EXPECT_EQ(full.Info().pixelType, 4);

    CDibImage bare(source, false, false);
    EXPECT_EQ(bare.AlphaPlane(), nullptr);
    EXPECT_EQ(bare.GetPixels()[3 * 2 + bare.Info().stride], 0);
}

// Read access never hands out a way to change the picture, and what a caller
// may change goes through setters (nobody writes stride, pixels or format).
static_assert(std::is_same_v<decltype(std::declval<const CDibImage&>().GetPixels()), const BYTE*>);
static_assert(std::is_same_v<decltype(std::declval<const CDibImage&>().GetPalette()), const RGBQUAD*>);
static_assert(std::is_same_v<decltype(std::declval<CDibImage&>().Info()), const DibImageInfo&>);
static_assert(std::is_same_v<decltype(&CDibImage::Draw), int (CDibImage::*)(HDC, int, int, int, int) const>);

TEST(DibSettings, SettersChangeOnlyTheirSetting)
{
    CDibImage image(ImageFormat::Ico);
    image.SetTransparentIndex(7);
    image.SetTransparentColour(RGBQUAD{1, 2, 3, 4});
    image.SetOpacity(99);
    image.SetPaletteHasAlpha(true);
    image.SetFrameIndex(3);
    image.SetDrawEnabled(false);
    const DibImageInfo& info = image.Info();
    EXPECT_EQ(info.transparentIndex, 7);
    EXPECT_EQ(info.transparentColour.rgbRed, 3);
    EXPECT_EQ(info.opacity, 99);
    EXPECT_EQ(info.paletteHasAlpha, 1);
    EXPECT_EQ(info.frameIndex, 3);
    EXPECT_EQ(info.drawEnabled, 0);
    EXPECT_EQ(info.format, ImageFormat::Ico);
}

TEST(DibCopy, CopyFromItselfChangesNothing)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(4, 2, 8, ImageFormat::Bmp), nullptr);
    image.SetPixelIndex(3, 1, 200);
    const BYTE* block = image.Dib();
    image.Copy(image, true, true);
    EXPECT_EQ(image.Dib(), block);
    EXPECT_EQ(image.GetPixelIndex(3, 1), 200);
}

TEST(DibDestroy, LeavesNoPointerIntoTheFreedBlock)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(4, 2, 8, ImageFormat::Bmp), nullptr);
    ASSERT_NE(image.CreateAlpha(), nullptr);
    image.Destroy();
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_EQ(image.Info().pixels, nullptr);
}

TEST(DibTransfer, MovesEverythingAndEmptiesTheSource)
{
    CDibImage target(ImageFormat::Bmp);
    ASSERT_NE(target.Create(5, 5, 8, ImageFormat::Bmp), nullptr);
    {
        CDibImage source(ImageFormat::Gif);
        ASSERT_NE(source.Create(2, 3, 1, ImageFormat::Gif), nullptr);
        ASSERT_NE(source.CreateAlpha(), nullptr);
        source.SetFrameIndex(42);
        const BYTE* block = source.Dib();
        target.Transfer(source);
        EXPECT_EQ(target.Dib(), block);
        EXPECT_TRUE(source.IsEmpty());
        EXPECT_EQ(source.AlphaPlane(), nullptr);
        EXPECT_EQ(source.Header().biWidth, 0);
    }  // destroying the source frees nothing (ASan checks)
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.Info().frameIndex, 42);
    EXPECT_EQ(target.Info().format, ImageFormat::Gif);
    EXPECT_NE(target.AlphaPlane(), nullptr);
}

TEST(DibLoader, UnknownFormatCodeFailsWithoutReading)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 2, 8, ImageFormat::Bmp), nullptr);
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("GIF89a", file);
    std::rewind(file);
    EXPECT_FALSE(image.Decode(file, ImageFormat(8)));
    EXPECT_STREQ(image.LastError(), "Unsupported operation for this format");
    EXPECT_EQ(std::ftell(file), 0);
    EXPECT_FALSE(image.IsEmpty());
    std::fclose(file);
}

TEST(DibLoader, MissingFileKeepsPictureAndMessage)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 2, 8, ImageFormat::Bmp), nullptr);
    image.Decode(nullptr, ImageFormat(-1));
    EXPECT_FALSE(image.Load("/nonexistent/kestrel/file.gif", ImageFormat::Gif));
    EXPECT_FALSE(image.IsEmpty());
    EXPECT_STREQ(image.LastError(), "Unsupported operation for this format");
    EXPECT_EQ(image.Width(), 2);
}

}  // namespace
