// CDibImage::Draw: the three paths, the sampling rule, blending and the
// results, each checked on whole surfaces (against hand-worked pixels where
// the case is small, against the plain reference drawing otherwise).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "tests/draw_reference.h"

namespace {

using kestrel::test::Opaque;
using kestrel::test::ReferenceDraw;
using kestrel::test::TestSurface;

// An 8-bit image whose pixel (x, y) has index (x + y * width) % 256 and whose
// entry i is (blue i, green 255 - i, red i / 2).
void MakeRamp8(CDibImage& image, int width, int height)
{
    ASSERT_NE(image.Create(width, height, 8, ImageFormat::Gif), nullptr);
    for (int i = 0; i < 256; ++i) image.SetPaletteEntry(BYTE(i), BYTE(i / 2), BYTE(255 - i), BYTE(i), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixelIndex(x, y, BYTE((x + y * width) % 256));
}

// A 24-bit image whose pixel (x, y) is blue x, green y, red 7.
void MakeCoordinates24(CDibImage& image, int width, int height)
{
    ASSERT_NE(image.Create(width, height, 24, ImageFormat::Bmp), nullptr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixelColour(x, y, RGB(7, BYTE(y), BYTE(x)));
}

// Draws with Draw and with the reference on two copies of surface and
// expects the same result and the same pixels everywhere.
void ExpectSameAsReference(const CDibImage& image, const TestSurface& surface, int x, int y, int w, int h)
{
    TestSurface drawn = surface, expected = surface;
    DeviceContext dc = drawn.MakeContext();
    const int result = const_cast<CDibImage&>(image).Draw(&dc, x, y, w, h);
    EXPECT_EQ(result, ReferenceDraw(image, expected, x, y, w, h));
    EXPECT_EQ(drawn.pixels, expected.pixels) << "Draw(" << x << ", " << y << ", " << w << ", " << h << ")";
}

TEST(DrawResult, NothingAttemptedGivesZeroAndTouchesNothing)
{
    CDibImage image(ImageFormat::Gif);
    TestSurface surface(4, 4, 0, 0x12345678u);
    const auto before = surface.pixels;
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 0, 0, -1, -1), 0);  // empty image

    MakeRamp8(image, 3, 3);
    EXPECT_EQ(image.Draw(nullptr, 0, 0, 3, 3), 0);
    EXPECT_EQ(image.Draw(&dc, 0, 0, 0, 3), 0);
    EXPECT_EQ(image.Draw(&dc, 0, 0, 3, 0), 0);
    image.SetDrawEnabled(false);
    EXPECT_EQ(image.Draw(&dc, 0, 0, 3, 3), 0);
    EXPECT_EQ(surface.pixels, before);
}

TEST(DrawDirect, OwnSizeGoesStraightToTheDevice)
{
    CDibImage image(ImageFormat::Gif);
    MakeRamp8(image, 5, 3);
    TestSurface surface(8, 6);
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 1, 2, -1, -1), 1);
    EXPECT_EQ(dc.GetStretchMode(), COLORONCOLOR);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            std::uint32_t want = 0xFF000000u;
            if (x >= 1 && x < 6 && y >= 2 && y < 5) {
                const RGBQUAD c = image.GetPaletteColour(image.GetPixelIndex(x - 1, 4 - y));
                want = Opaque(c.rgbBlue, c.rgbGreen, c.rgbRed);
            }
            EXPECT_EQ(surface.At(x, y), want) << x << "," << y;
        }
    }
}

TEST(DrawDirect, TheDeviceClipsWhatLiesOutside)
{
    CDibImage image(ImageFormat::Bmp);
    MakeCoordinates24(image, 9, 7);
    TestSurface surface(6, 5, 3);
    surface.clip = DeviceRect{1, 1, 5, 4};
    for (const auto& [x, y] : {std::pair{-3, -2}, {2, 1}, {4, 3}, {-20, 0}, {INT_MAX - 3, INT_MIN + 1}})
        ExpectSameAsReference(image, surface, x, y, -1, -1);
}

TEST(DrawDirect, SeesTheLogicalOrigin)
{
    CDibImage image(ImageFormat::Gif);
    MakeRamp8(image, 12, 10);
    TestSurface surface(7, 5);
    surface.originX = 3;
    surface.originY = 4;
    ExpectSameAsReference(image, surface, 0, 0, 12, 10);
    TestSurface drawn = surface;
    DeviceContext dc = drawn.MakeContext();
    image.Draw(&dc, 0, 0, -1, -1);
    // Logical (3, 4) is surface (0, 0): image column 3, storage row 10 - 1 - 4.
    const RGBQUAD c = image.GetPaletteColour(image.GetPixelIndex(3, 5));
    EXPECT_EQ(drawn.At(0, 0), Opaque(c.rgbBlue, c.rgbGreen, c.rgbRed));
}

TEST(DrawVisible, PictureOutsideTheClipDrawsNothingButCounts)
{
    CDibImage image(ImageFormat::Gif);
    MakeRamp8(image, 4, 4);
    image.SetTransparentIndex(3);
    TestSurface surface(10, 10, 0, 0xFF808080u);
    surface.clip = DeviceRect{2, 2, 6, 6};
    const auto before = surface.pixels;
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 6, 0, 4, 4), 1);   // right of the clip
    EXPECT_EQ(image.Draw(&dc, -8, 3, 8, 8), 1);  // ends where the clip starts
    EXPECT_EQ(image.Draw(&dc, 3, 7, 20, 2), 1);  // below
    EXPECT_EQ(surface.pixels, before);
}

TEST(DrawScaled, TwoByTwoDoubledRepeatsRowsAndColumns)
{
    CDibImage image(ImageFormat::Bmp);
    ASSERT_NE(image.Create(2, 2, 24, ImageFormat::Bmp), nullptr);
    image.SetPixelColour(0, 0, RGB(10, 0, 0));  // storage row 0 is the bottom line
    image.SetPixelColour(1, 0, RGB(20, 0, 0));
    image.SetPixelColour(0, 1, RGB(30, 0, 0));
    image.SetPixelColour(1, 1, RGB(40, 0, 0));
    TestSurface surface(4, 4);
    surface.clip = DeviceRect{0, 0, 4, 4};
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 0, 0, 4, 4), 1);
    const unsigned want[4][4] = {{30, 30, 40, 40}, {30, 30, 40, 40}, {10, 10, 20, 20}, {10, 10, 20, 20}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(surface.At(x, y), Opaque(0, 0, want[y][x])) << x << "," << y;
}

// Which storage columns and rows feed a drawing, read back from pixels that
// encode their own coordinates.
struct Sampled {
    std::vector<int> columns;  // of the top device line
    std::vector<int> rows;     // of device column 0, bottom line first
};

Sampled SampleCoordinates(int imageWidth, int imageHeight, int width, int height)
{
    CDibImage image(ImageFormat::Bmp);
    MakeCoordinates24(image, imageWidth, imageHeight);
    TestSurface surface(width, height);
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, 0, 0, width, height);
    Sampled s;
    for (int x = 0; x < width; ++x) s.columns.push_back(int(surface.At(x, 0) & 0xFF));
    for (int y = height - 1; y >= 0; --y) s.rows.push_back(int((surface.At(0, y) >> 8) & 0xFF));
    return s;
}

TEST(DrawScaled, TenColumnsDrawnThreeWideSampleZeroThreeSix)
{
    EXPECT_EQ(SampleCoordinates(10, 1, 3, 1).columns, (std::vector<int>{0, 3, 6}));
}

TEST(DrawScaled, ThirdSizeSamplesEveryThirdRowAndColumn)
{
    // 300 x 300 does not fit the coordinate bytes; 255 x 255 to 85 x 85 has
    // the same scale of exactly 3.
    const Sampled s = SampleCoordinates(255, 255, 85, 85);
    for (int i = 0; i < 85; ++i) {
        EXPECT_EQ(s.columns[std::size_t(i)], 3 * i);
        EXPECT_EQ(s.rows[std::size_t(i)], 3 * i);
    }
}

TEST(DrawScaled, DoubleSizeRepeatsEverySourceRowAndColumnTwice)
{
    const Sampled s = SampleCoordinates(200, 100, 400, 200);
    for (int i = 0; i < 400; ++i) EXPECT_EQ(s.columns[std::size_t(i)], i / 2);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(s.rows[std::size_t(i)], i / 2);
}

TEST(DrawScaled, RowsAreSampledThroughTheLowerEdgeRoundedUp)
{
    // 3 rows to 7 lines: scale 3/7; line k from the bottom samples row
    // 3 - ceil((7 - k) * 3/7) = 0, 0, 0, 1, 1, 2, 2 (the float scale holds
    // 3/7 slightly above the fraction, so 7 * scale just exceeds 3 and the
    // first row becomes 3 - 4, clamped to 0).
    const Sampled s = SampleCoordinates(1, 3, 1, 7);
    EXPECT_EQ(s.rows, (std::vector<int>{0, 0, 0, 1, 1, 2, 2}));
}

TEST(DrawScaled, OpacityAloneDrawsOpaque)
{
    CDibImage image(ImageFormat::Gif);
    MakeRamp8(image, 6, 5);
    image.SetOpacity(128);
    TestSurface surface(9, 9, 0, 0xFFFFFFFFu);
    TestSurface plain = surface;
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, 1, 1, 8, 7);
    image.SetOpacity(255);
    DeviceContext plainDc = plain.MakeContext();
    image.Draw(&plainDc, 1, 1, 8, 7);
    EXPECT_EQ(surface.pixels, plain.pixels);
    ExpectSameAsReference(image, TestSurface(9, 9), 1, 1, -1, -1);
}

TEST(DrawBlend, EqualColourEntriesAreTransparentToo)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(3, 1, 8, ImageFormat::Gif), nullptr);
    image.SetPaletteEntry(5, 1, 2, 3, 0);
    image.SetPaletteEntry(9, 1, 2, 3, 0);
    image.SetPaletteEntry(7, 200, 100, 50, 0);
    image.SetPixelIndex(0, 0, 5);
    image.SetPixelIndex(1, 0, 9);
    image.SetPixelIndex(2, 0, 7);
    image.SetTransparentIndex(5);
    TestSurface surface(3, 1, 0, Opaque(40, 50, 60));
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 0, 0, -1, -1), 1);
    EXPECT_EQ(surface.At(0, 0), Opaque(40, 50, 60));
    EXPECT_EQ(surface.At(1, 0), Opaque(40, 50, 60));
    // (background * 1 + source * 254) >> 8
    EXPECT_EQ(surface.At(2, 0), Opaque((40 + 50 * 254) >> 8, (50 + 100 * 254) >> 8, (60 + 200 * 254) >> 8));
}

TEST(DrawBlend, KeyComparesTheReservedByteToo)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(2, 1, 8, ImageFormat::Gif), nullptr);
    image.SetPaletteEntry(1, 9, 9, 9, 0);
    image.SetPaletteEntry(2, 9, 9, 9, 1);  // same colour, other reserved byte
    image.SetPixelIndex(0, 0, 1);
    image.SetPixelIndex(1, 0, 2);
    image.SetTransparentIndex(1);
    TestSurface surface(2, 1, 0, Opaque(0, 0, 0));
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, 0, 0, -1, -1);
    EXPECT_EQ(surface.At(0, 0), Opaque(0, 0, 0));
    EXPECT_EQ(surface.At(1, 0), Opaque(8, 8, 8));  // 9 * 254 >> 8
}

TEST(DrawBlend, OpaqueWhiteComesOutAs253OverBlackAnd254OverWhite)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(2, 2, 8, ImageFormat::Gif), nullptr);
    image.SetPaletteEntry(0, 255, 255, 255, 0);
    image.SetPaletteEntry(1, 0, 0, 0, 0);
    image.SetTransparentIndex(1);  // no pixel uses it
    for (const auto& [background, want] : {std::pair{0u, 253u}, {255u, 254u}}) {
        TestSurface surface(2, 2, 0, Opaque(background, background, background));
        DeviceContext dc = surface.MakeContext();
        EXPECT_EQ(image.Draw(&dc, 0, 0, -1, -1), 1);
        for (const std::uint32_t p : surface.pixels) EXPECT_EQ(p, Opaque(want, want, want));
    }
}

TEST(DrawBlend, AllZeroAlphaPlaneShowsTheBackgroundDarkenedByOne)
{
    CDibImage image(ImageFormat::Png);
    MakeCoordinates24(image, 3, 2);
    ASSERT_NE(image.CreateAlpha(), nullptr);
    TestSurface surface(4, 1, 0, Opaque(255, 1, 128));
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 0, 0, 4, 1), 1);
    for (const std::uint32_t p : surface.pixels) EXPECT_EQ(p, Opaque(254, 0, 127));
}

TEST(DrawBlend, OpacityAndAlphaPlaneMultiply)
{
    CDibImage image(ImageFormat::Png);
    MakeCoordinates24(image, 1, 1);
    image.SetPixelColour(0, 0, RGB(200, 100, 0));
    ASSERT_NE(image.CreateAlpha(), nullptr);
    image.SetAlpha(0, 0, 128);
    image.SetOpacity(200);
    TestSurface surface(1, 1, 0, Opaque(0, 0, 0));
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, 0, 0, -1, -1);
    const unsigned a = (200 * 128) >> 8;  // 100
    EXPECT_EQ(surface.At(0, 0), Opaque(0, (100 * a) >> 8, (200 * a) >> 8));
}

TEST(DrawBlend, PaletteAlphaScalesEachEntry)
{
    CDibImage image(ImageFormat::Png);
    ASSERT_NE(image.Create(2, 1, 8, ImageFormat::Png), nullptr);
    image.SetPaletteEntry(0, 255, 0, 0, 0);    // fully transparent red
    image.SetPaletteEntry(1, 0, 0, 255, 128);  // half blue
    image.SetPixelIndex(1, 0, 1);
    image.SetPaletteHasAlpha(true);
    TestSurface surface(2, 1, 0, Opaque(0, 200, 0));
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, 0, 0, -1, -1);
    EXPECT_EQ(surface.At(0, 0), Opaque(0, (200 * 255) >> 8, 0));
    const unsigned a = (254 * 128) >> 8;  // 127
    EXPECT_EQ(surface.At(1, 0), Opaque((255 * a) >> 8, (200 * (255 - a)) >> 8, 0));
}

TEST(DrawBlend, TrueColourKeyNeedsAZeroFourthByte)
{
    CDibImage image(ImageFormat::Tga);
    ASSERT_NE(image.Create(2, 1, 24, ImageFormat::Tga), nullptr);
    image.SetPixelColour(0, 0, RGB(1, 2, 3));
    image.SetPixelColour(1, 0, RGB(4, 5, 6));
    image.SetTransparentIndex(0);
    image.SetTransparentColour(RGBQUAD{3, 2, 1, 0});
    TestSurface surface(2, 1, 0, Opaque(100, 100, 100));
    ExpectSameAsReference(image, surface, 0, 0, -1, -1);
    TestSurface drawn = surface;
    DeviceContext dc = drawn.MakeContext();
    image.Draw(&dc, 0, 0, -1, -1);
    EXPECT_EQ(drawn.At(0, 0), Opaque(100, 100, 100));
    EXPECT_NE(drawn.At(1, 0), Opaque(100, 100, 100));

    image.SetTransparentColour(RGBQUAD{3, 2, 1, 7});
    TestSurface keyedNothing = surface;
    DeviceContext dc2 = keyedNothing.MakeContext();
    image.Draw(&dc2, 0, 0, -1, -1);
    EXPECT_EQ(keyedNothing.At(0, 0), Opaque((100 + 3 * 254) >> 8, (100 + 2 * 254) >> 8, (100 + 254) >> 8));
}

// A transparent index beyond the colour table (a 1- or 4-bit GIF can carry
// one) names no colour: black pixels must not vanish.
TEST(DrawBlend, TransparentIndexBeyondTheTableKeysNothing)
{
    for (const int bits : {1, 4}) {
        CDibImage image(ImageFormat::Gif);
        ASSERT_NE(image.Create(4, 2, bits, ImageFormat::Gif), nullptr);
        image.SetPaletteEntry(0, 0, 0, 0, 0);  // black, all four bytes zero
        image.SetPaletteEntry(1, 255, 255, 255, 0);
        image.SetPixelIndex(1, 0, 1);
        for (const int transparent : {bits == 1 ? 2 : 16, 255, 300, -7}) {
            image.SetTransparentIndex(transparent);
            TestSurface surface(8, 4, 0, Opaque(90, 90, 90));
            DeviceContext dc = surface.MakeContext();
            image.Draw(&dc, 0, 0, 8, 4);
            EXPECT_EQ(surface.At(0, 3), Opaque((90 * 1) >> 8, (90 * 1) >> 8, (90 * 1) >> 8))
                << bits << " bits, index " << transparent;
            ExpectSameAsReference(image, TestSurface(8, 4, 1, Opaque(90, 90, 90)), 0, 0, 8, 4);
        }
    }
}

TEST(DrawLimits, PositionsAndSizesNearTheIntLimitsStayOnTheSurface)
{
    CDibImage indexed(ImageFormat::Gif);
    MakeRamp8(indexed, 7, 5);
    CDibImage trueColour(ImageFormat::Bmp);
    MakeCoordinates24(trueColour, 7, 5);
    ASSERT_NE(trueColour.CreateAlpha(), nullptr);
    for (int i = 0; i < 35; ++i) trueColour.SetAlpha(i % 7, i / 7, BYTE(i * 7));
    const int big = INT_MAX, small = INT_MIN;
    const struct {
        int x, y, w, h;
    } cases[] = {
        {big - 2, 0, 50, 5},  {0, big - 1, 7, big},  {small, small, big, big}, {-5, -5, big, big},
        {small + 3, 0, 9, 9}, {big, big, -1, -1},    {1, 1, big, 1},          {small, 2, big, 3},
    };
    for (CDibImage* image : {&indexed, &trueColour}) {
        for (const auto& c : cases) {
            TestSurface surface(12, 9, 2, 0xFF202020u);
            ExpectSameAsReference(*image, surface, c.x, c.y, c.w, c.h);
            surface.originX = big - 6;
            surface.originY = small;
            surface.clip = DeviceRect{small, small, big, big};
            ExpectSameAsReference(*image, surface, c.x, c.y, c.w, c.h);
        }
    }
}

TEST(DrawLimits, DestinationsWiderThanFloatPrecisionSampleInsideTheImage)
{
    // Find a width at which the rounded scale carries the last column to the
    // image width itself; that column lies past the image.
    const int imageWidth = 3;
    int width = 1 << 25;
    while (std::floor(double(width - 1) * double(float(double(imageWidth) / width))) < imageWidth) ++width;
    CDibImage indexed(ImageFormat::Gif);
    MakeRamp8(indexed, imageWidth, 2);
    CDibImage trueColour(ImageFormat::Bmp);
    MakeCoordinates24(trueColour, imageWidth, 2);
    ASSERT_NE(trueColour.CreateAlpha(), nullptr);
    for (CDibImage* image : {&indexed, &trueColour}) {
        for (const int transparent : {-1, 2}) {
            image->SetTransparentIndex(transparent);
            TestSurface surface(16, 4);
            ExpectSameAsReference(*image, surface, 12 - width, 0, width, 4);
        }
    }
}

TEST(DrawLimits, ImageWithoutPixelsDrawsNothing)
{
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(0, 4, 8, ImageFormat::Gif), nullptr);
    image.SetTransparentIndex(0);
    TestSurface surface(6, 6, 0, 0xFF010203u);
    const auto before = surface.pixels;
    DeviceContext dc = surface.MakeContext();
    EXPECT_EQ(image.Draw(&dc, 0, 0, 5, 5), 1);
    EXPECT_EQ(image.Draw(&dc, 0, 0, -1, 5), 1);
    EXPECT_EQ(image.Draw(&dc, 0, 0, -1, -1), 1);
    EXPECT_EQ(surface.pixels, before);
}

TEST(DrawState, DrawChangesNothingInTheImage)
{
    CDibImage image(ImageFormat::Gif);
    MakeRamp8(image, 5, 4);
    image.SetTransparentIndex(2);
    image.SetOpacity(77);
    ASSERT_NE(image.CreateAlpha(), nullptr);
    CDibImage copy(image, true, true);
    TestSurface surface(9, 9);
    DeviceContext dc = surface.MakeContext();
    image.Draw(&dc, -1, 2, 11, 3);
    EXPECT_EQ(std::memcmp(image.Dib(), copy.Dib(), image.GetDibSize()), 0);
    EXPECT_EQ(std::memcmp(image.AlphaPlane(), copy.AlphaPlane(), 20), 0);
    EXPECT_EQ(image.Info().transparentIndex, 2);
    EXPECT_EQ(image.Info().opacity, 77);
}

}  // namespace
