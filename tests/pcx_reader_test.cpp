#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/pcx_image.h"
#include "tests/support/byte_builder.h"
#include "tests/support/pcx_builder.h"
#include "tests/reader_contract.h"
#include "tests/support/reader_bytes.h"

namespace {

using kestrel::test::BuildPcx;
using kestrel::test::ByteBuilder;
using kestrel::test::DecodeFromBytes;
using kestrel::test::PcxEncode;
using kestrel::test::PcxRecipe;
using kestrel::test::PcxVgaPalette;
using kestrel::test::Rgba;
using kestrel::test::SeenPixel;

std::array<std::uint8_t, 48> HeaderPalette()
{
    std::array<std::uint8_t, 48> palette{};
    for (int i = 0; i < 16; ++i) {
        palette[3 * i] = std::uint8_t(i * 16);
        palette[3 * i + 1] = std::uint8_t(200 - i);
        palette[3 * i + 2] = std::uint8_t(i * 5);
    }
    return palette;
}
Rgba HeaderColour(int i) { return Rgba{std::uint8_t(i * 16), std::uint8_t(200 - i), std::uint8_t(i * 5), 255}; }
Rgba VgaColour(int i) { return Rgba{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 255}; }

PcxRecipe Recipe(int bits, int planes, int width, int height, int bytesPerLine)
{
    PcxRecipe r;
    r.bitsPerPixel = bits;
    r.planes = planes;
    r.xmin = 3;
    r.ymin = 7;
    r.xmax = 3 + width - 1;
    r.ymax = 7 + height - 1;
    r.bytesPerLine = bytesPerLine;
    r.headerPalette = HeaderPalette();
    return r;
}

TEST(PcxPacked, EightBitFileTakesTheTableAfterTheData)
{
    // 3 x 2, scan lines top first, bytes per line 4 (one pad byte).
    PcxRecipe r = Recipe(8, 1, 3, 2, 4);
    r.data = PcxEncode(std::string("\x01\xC5\x07\x00\x09\x09\x09\x00", 8));
    r.trailer = PcxVgaPalette();
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(SeenPixel(image, 0, 0), VgaColour(1));
    EXPECT_EQ(SeenPixel(image, 1, 0), VgaColour(0xC5));
    EXPECT_EQ(SeenPixel(image, 2, 0), VgaColour(7));
    EXPECT_EQ(SeenPixel(image, 2, 1), VgaColour(9));
}

TEST(PcxPacked, FourAndTwoBitFilesUseTheHeaderColours)
{
    PcxRecipe four = Recipe(4, 1, 3, 1, 2);
    four.data = PcxEncode("\x1F\xA0");
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(four), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4);
    EXPECT_EQ(SeenPixel(image, 0, 0), HeaderColour(1));
    EXPECT_EQ(SeenPixel(image, 1, 0), HeaderColour(15));
    EXPECT_EQ(SeenPixel(image, 2, 0), HeaderColour(10));

    PcxRecipe two = Recipe(2, 1, 5, 1, 2);
    two.data = PcxEncode(std::string("\x1B\x80", 2));  // 0 1 2 3 | 2
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(two), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4);
    EXPECT_EQ(int(image.Header().biClrUsed), 16);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(SeenPixel(image, x, 0), HeaderColour(x));
    EXPECT_EQ(SeenPixel(image, 4, 0), HeaderColour(2));
    EXPECT_EQ(SeenPixel(image, 0, 0), HeaderColour(0));
}

TEST(PcxPacked, MonochromeIsAlwaysBlackAndWhite)
{
    PcxRecipe r = Recipe(1, 1, 10, 2, 2);
    r.data = PcxEncode(std::string("\xA0\x40\x00\xC0", 4));
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 1);
    const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255};
    EXPECT_EQ(SeenPixel(image, 0, 0), white);
    EXPECT_EQ(SeenPixel(image, 1, 0), black);
    EXPECT_EQ(SeenPixel(image, 2, 0), white);
    EXPECT_EQ(SeenPixel(image, 9, 0), white);
    EXPECT_EQ(SeenPixel(image, 8, 1), white);
    EXPECT_EQ(SeenPixel(image, 0, 1), black);
}

TEST(PcxPlanes, SixteenColoursCombinePlaneZeroAsBitZero)
{
    // 8 x 1: plane i has only pixel i set (for i < 4); pixel 7 is in all planes.
    PcxRecipe r = Recipe(1, 4, 8, 1, 2);
    std::string raw;
    for (int plane = 0; plane < 4; ++plane) {
        raw += char(0x80 >> plane | 0x01);
        raw += '\0';
    }
    r.data = PcxEncode(raw);
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4);
    for (int plane = 0; plane < 4; ++plane) EXPECT_EQ(SeenPixel(image, plane, 0), HeaderColour(1 << plane));
    EXPECT_EQ(SeenPixel(image, 7, 0), HeaderColour(15));
    EXPECT_EQ(SeenPixel(image, 5, 0), HeaderColour(0));
}

TEST(PcxPlanes, TwentyFourBitsAreRedGreenBluePlanes)
{
    PcxRecipe r = Recipe(8, 3, 2, 2, 2);
    r.data = PcxEncode(std::string("\x10\x11\x20\x21\x30\x31" "\x40\x41\x50\x51\x60\x61", 12));
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0x10, 0x20, 0x30, 255}));
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0x11, 0x21, 0x31, 255}));
    EXPECT_EQ(SeenPixel(image, 1, 1), (Rgba{0x41, 0x51, 0x61, 255}));
}

TEST(PcxPlanes, OneBitThreePlanesShowEightColours)
{
    // Pixel x has the bits of x: plane 0 red, plane 1 green, plane 2 blue.
    PcxRecipe r = Recipe(1, 3, 8, 1, 2);
    r.data = PcxEncode(std::string("\x55\x00\x33\x00\x0F\x00", 6));
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    for (int x = 0; x < 8; ++x) {
        const int v = x;  // plane bits chosen so that pixel x holds x
        EXPECT_EQ(SeenPixel(image, x, 0),
                  (Rgba{std::uint8_t(v & 1 ? 255 : 0), std::uint8_t(v & 2 ? 255 : 0), std::uint8_t(v & 4 ? 255 : 0), 255}))
            << x;
    }
}

TEST(PcxPlanes, TwoPlaneMonochromeShowsItsFirstPlane)
{
    PcxRecipe r = Recipe(1, 2, 8, 1, 2);
    r.data = PcxEncode(std::string("\xF0\x00\xFF\x00", 4));
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 1);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(7, 0), 0);

    // No planes at all: no pixel data, every pixel index 0.
    r = Recipe(1, 0, 9, 2, 2);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.Width(), 9);
    EXPECT_EQ(image.GetPixelIndex(8, 1), 0);
}

TEST(PcxRuns, RunsSpanScanLinesAndMayEndAtTheLastByte)
{
    // One run of 6 fills both 3-byte scan lines (bytes per line 3... of 2 x 2 + pad).
    PcxRecipe r = Recipe(8, 1, 3, 2, 3);
    r.data = std::string("\xC6\x04", 2);
    r.trailer = PcxVgaPalette();
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 2, 1), VgaColour(4));
    EXPECT_EQ(SeenPixel(image, 0, 0), VgaColour(4));

    // A run of zero stores nothing.
    r.data = std::string("\xC0\x09\xC6\x05", 4);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), VgaColour(5));
}

TEST(PcxRuns, FirstScanLineIsTheTopRow)
{
    PcxRecipe r = Recipe(8, 1, 2, 3, 2);
    r.data = PcxEncode(std::string("\x01\x01\x02\x02\x03\x03", 6));
    r.trailer = PcxVgaPalette();
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(r), ImageFormat::Pcx)) << image.LastError();
    EXPECT_EQ(image.GetPixelIndex(0, 2), 1);  // y = 2 is the top row
    EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
}

// --- failures ----------------------------------------------------------------

std::string Failure(const std::string& bytes)
{
    CDibImage image(ImageFormat::Pcx);
    EXPECT_FALSE(DecodeFromBytes(image, bytes, ImageFormat::Pcx));
    return image.LastError();
}

TEST(PcxFailures, EachConditionGivesItsMessage)
{
    PcxRecipe good = Recipe(8, 1, 3, 2, 4);
    good.data = PcxEncode(std::string(8, '\x02'));
    good.trailer = PcxVgaPalette();
    CDibImage image(ImageFormat::Pcx);
    ASSERT_TRUE(DecodeFromBytes(image, BuildPcx(good), ImageFormat::Pcx)) << image.LastError();

    EXPECT_EQ(Failure(BuildPcx(good).substr(0, 127)), "Can't read PCX image");
    PcxRecipe r = good;
    r.manufacturer = 11;
    EXPECT_EQ(Failure(BuildPcx(r)), "Error: Not a PCX file");
    r = good;
    r.encoding = 0;
    EXPECT_EQ(Failure(BuildPcx(r)), "PCX file has unknown encoding scheme");
    r = Recipe(1, 5, 8, 1, 2);
    r.data = std::string(10, '\0');
    EXPECT_EQ(Failure(BuildPcx(r)), "Can't handle image with more than 4 planes");
    for (auto [bits, planes] : {std::pair{8, 2}, {4, 4}, {2, 0}, {3, 1}, {16, 1}}) {
        r = Recipe(bits, planes, 2, 1, 4);
        r.data = std::string(16, '\0');
        EXPECT_EQ(Failure(BuildPcx(r)), "Can't handle bits per pixel image with planes.") << bits << " " << planes;
    }
    r = good;
    r.data = PcxEncode(std::string(5, '\x02'));
    r.trailer.clear();
    EXPECT_EQ(Failure(BuildPcx(r)), "corrupted PCX");
    r = good;
    r.data = std::string("\xC2\x01\xFF\x07", 4);  // 2 + 63 with 6 still expected
    EXPECT_EQ(Failure(BuildPcx(r)), "repeat count spans end of image");
    r = good;
    r.trailer = std::string(1, '\0') + PcxVgaPalette();  // an extra byte before the 12
    EXPECT_EQ(Failure(BuildPcx(r)), "bad color map signature");
    for (int bits : {2, 4}) {
        r = Recipe(bits, 3, 2, 1, 2);
        r.data = std::string(6, '\x11');
        EXPECT_EQ(Failure(BuildPcx(r)), "Can't handle more than 1 bit per pixel") << bits;
    }
}

TEST(PcxFailures, BrokenWindowAndLineSizesAreRefused)
{
    PcxRecipe r = Recipe(8, 1, 3, 2, 4);
    r.xmin = 10;
    r.xmax = 9;
    r.data = std::string(8, '\0');
    EXPECT_EQ(Failure(BuildPcx(r)), "PCX image window is empty");
    r = Recipe(8, 1, 3, 2, 4);
    r.ymin = 5;
    r.ymax = 4;
    EXPECT_EQ(Failure(BuildPcx(r)), "PCX image window is empty");
    r = Recipe(8, 1, 5, 2, 4);  // 5 pixels in 4 bytes
    r.data = std::string(8, '\0');
    EXPECT_EQ(Failure(BuildPcx(r)), "PCX bytes per line too small for the width");
    r = Recipe(1, 1, 17, 1, 2);  // 17 pixels in 16 bits
    EXPECT_EQ(Failure(BuildPcx(r)), "PCX bytes per line too small for the width");
    // 65536 x 65536 at 24 bits cannot be made.
    r = Recipe(8, 3, 1, 1, 65535);
    r.xmin = r.ymin = 0;
    r.xmax = 65534;
    r.ymax = 65535;
    EXPECT_EQ(Failure(BuildPcx(r)), "Can't allocate memory for PCX image");
    // A small file cannot fill a large window: refused before any buffer is made.
    r = Recipe(8, 1, 4000, 4000, 4000);
    r.data = std::string("\xFF\x00", 2);
    EXPECT_EQ(Failure(BuildPcx(r)), "corrupted PCX");
}

}  // namespace

// --- damaged files (cut and changed in reader_contract_test.cpp) --------------

namespace kestrel::test {

std::vector<ReaderSeed> PcxDamageSeeds()
{
    std::vector<ReaderSeed> files;
    PcxRecipe eight = Recipe(8, 1, 3, 2, 4);
    eight.data = PcxEncode(std::string("\x01\xC5\x07\x00\x09\x09\x09\x00", 8));
    eight.trailer = PcxVgaPalette(std::string(48, '\x33'));
    files.push_back({BuildPcx(eight)});
    PcxRecipe planes = Recipe(1, 4, 9, 2, 2);
    planes.data = PcxEncode(std::string("\x81\x80\x42\x00\x24\x80\x18\x00" "\xFF\x80\x00\x00\x0F\x00\xF0\x80", 16));
    files.push_back({BuildPcx(planes)});
    PcxRecipe rgb = Recipe(8, 3, 2, 2, 2);
    rgb.data = PcxEncode(std::string(12, '\x40'));
    files.push_back({BuildPcx(rgb)});
    PcxRecipe two = Recipe(2, 1, 5, 2, 2);
    two.data = PcxEncode(std::string("\x1B\x80\xE4\x40", 4));
    files.push_back({BuildPcx(two)});
    return files;
}

}  // namespace kestrel::test
