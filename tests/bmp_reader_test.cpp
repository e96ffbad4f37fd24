#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "formats/bmp_image.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/byte_builder.h"
#include "tests/reader_contract.h"
#include "tests/support/reader_bytes.h"

namespace {

using kestrel::test::BmpRecipe;
using kestrel::test::BuildBmp;
using kestrel::test::ByteBuilder;
using kestrel::test::DecodeFromBytes;
using kestrel::test::PackBmpRows;
using kestrel::test::Rgba;
using kestrel::test::SeenPixel;

std::vector<RGBQUAD> Palette(int count)
{
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < count; ++i) palette.push_back(RGBQUAD{BYTE(i * 3), BYTE(100 + i), BYTE(255 - i), 0});
    return palette;
}

Rgba Entry(int i) { return Rgba{BYTE(255 - i), BYTE(100 + i), BYTE(i * 3), 255}; }

// width x 3 indices, top row first, within 0..limit-1.
std::vector<std::vector<std::uint32_t>> IndexRows(int limit, int width = 5)
{
    std::vector<std::vector<std::uint32_t>> rows(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) rows[y].push_back(std::uint32_t((x * 3 + y * 5 + 1) % limit));
    return rows;
}

void ExpectIndexed(const CDibImage& image, const std::vector<std::vector<std::uint32_t>>& rows)
{
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[y].size()); ++x)
            EXPECT_EQ(SeenPixel(image, x, y), Entry(int(rows[y][x]))) << "x " << x << " row " << y;
}

TEST(BmpIndexed, OneFourAndEightBitsKeepDepthAndTable)
{
    for (int bits : {1, 4, 8}) {
        const int colours = 1 << bits;
        BmpRecipe r;
        r.width = 5;
        r.height = 3;
        r.bitCount = bits;
        r.palette = Palette(colours);
        const auto rows = IndexRows(colours);
        r.pixels = PackBmpRows(rows, bits);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(image.BitCount(), bits);
        EXPECT_EQ(int(image.Header().biClrUsed), colours);
        EXPECT_EQ(image.Width(), 5);
        EXPECT_EQ(image.Height(), 3);
        EXPECT_EQ(image.Info().xDpi, 72);
        EXPECT_EQ(image.Header().biSize, 40u);
        ExpectIndexed(image, rows);
    }
}

TEST(BmpIndexed, BareBitmapWithoutFileHeaderReadsFromOffsetZero)
{
    BmpRecipe r;
    r.width = 5;
    r.height = 3;
    r.bitCount = 4;
    r.fileHeader = false;
    r.palette = Palette(16);
    const auto rows = IndexRows(16);
    r.pixels = PackBmpRows(rows, 4);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    ExpectIndexed(image, rows);
}

TEST(BmpIndexed, ColoursUsedLimitsTheTableSoPixelsAreNotTakenAsColours)
{
    // A bare bitmap (no offset) with 4 of 256 colours: its pixels follow the
    // fourth entry, and entries 4..255 stay zero.
    BmpRecipe r;
    r.width = 5;
    r.height = 3;
    r.bitCount = 8;
    r.fileHeader = false;
    r.coloursUsed = 4;
    r.palette = Palette(4);
    const auto rows = IndexRows(4);
    r.pixels = PackBmpRows(rows, 8);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.Header().biClrUsed, 256u);
    ExpectIndexed(image, rows);
    const RGBQUAD unused = image.GetPaletteColour(4);
    EXPECT_EQ(unused.rgbRed + unused.rgbGreen + unused.rgbBlue, 0);

    // With a file header, the pixels are found through the offset as well.
    r.fileHeader = true;
    r.coloursUsed = 16;
    r.palette = Palette(16);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp));
    ExpectIndexed(image, rows);
}

TEST(BmpIndexed, Os2CoreHeaderHasThreeByteColoursAndNoResolution)
{
    for (int bits : {1, 4, 8}) {
        BmpRecipe r;
        r.width = 5;
        r.height = 3;
        r.bitCount = bits;
        r.headerSize = 12;
        r.palette = Palette(1 << bits);
        const auto rows = IndexRows(1 << bits);
        r.pixels = PackBmpRows(rows, bits);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(image.Info().xDpi, 0);
        EXPECT_EQ(image.Info().yDpi, 0);
        ExpectIndexed(image, rows);
    }
}

TEST(BmpIndexed, Os2FileShorterThan54BytesReads)
{
    BmpRecipe r;
    r.width = 2;
    r.height = 1;
    r.bitCount = 1;
    r.headerSize = 12;
    r.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{10, 20, 30, 0}};
    r.pixels = PackBmpRows({{1, 0}}, 1);
    const std::string file = BuildBmp(r);
    ASSERT_LT(file.size(), 54u);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{30, 20, 10, 255}));
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0, 0, 0, 255}));
}

TEST(BmpIndexed, Headers108And124AreSkippedBeforeTheTable)
{
    for (std::uint32_t size : {108u, 124u}) {
        for (bool fileHeader : {true, false}) {
            BmpRecipe r;
            r.width = 5;
            r.height = 3;
            r.bitCount = 8;
            r.headerSize = size;
            r.fileHeader = fileHeader;
            r.coloursUsed = 32;
            r.palette = Palette(32);
            const auto rows = IndexRows(32);
            r.pixels = PackBmpRows(rows, 8);
            CDibImage image(ImageFormat::Bmp);
            ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
            EXPECT_EQ(image.Header().biSize, 40u);
            ExpectIndexed(image, rows);
        }
    }
}

TEST(BmpIndexed, TopDownRowsComeOutUpright)
{
    BmpRecipe r;
    r.width = 5;
    r.height = -3;
    r.bitCount = 8;
    r.palette = Palette(256);
    const auto rows = IndexRows(256);
    r.pixels = PackBmpRows(rows, 8, true);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.Height(), 3);
    ExpectIndexed(image, rows);
}

TEST(BmpIndexed, ColourTableKeepsTheFourthByteOfEachEntry)
{
    BmpRecipe r;
    r.bitCount = 8;
    r.palette = Palette(256);
    for (int i = 0; i < 256; ++i) r.palette[i].rgbReserved = BYTE(i);  // as some writers store them
    r.pixels = PackBmpRows({{7}}, 8);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.GetPaletteColour(7).rgbReserved, 7);
    EXPECT_EQ(image.GetPaletteColour(255).rgbReserved, 255);
    EXPECT_EQ(image.Info().paletteHasAlpha, 0);  // stored, not taken as alpha
    EXPECT_EQ(SeenPixel(image, 0, 0), Entry(7));
}

// 2-bit files, 13 pixels wide so that their rows are shorter than the 4-bit
// rows they become: every layout keeps its indices.
struct TwoBitCase {
    const char* name;
    bool fileHeader;
    bool topDown;
};

void PrintTo(const TwoBitCase& c, std::ostream* out) { *out << c.name; }

class BmpTwoBit : public testing::TestWithParam<TwoBitCase> {};

TEST_P(BmpTwoBit, BecomesFourBitWithTheSameIndices)
{
    BmpRecipe r;
    r.width = 13;
    r.height = GetParam().topDown ? -3 : 3;
    r.bitCount = 2;
    r.fileHeader = GetParam().fileHeader;
    r.palette = Palette(4);
    const auto rows = IndexRows(4, 13);
    r.pixels = PackBmpRows(rows, 2, GetParam().topDown);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 4);
    EXPECT_EQ(image.Header().biClrUsed, 16u);
    ExpectIndexed(image, rows);
    const RGBQUAD unused = image.GetPaletteColour(4);  // a 2-bit table has 4 entries
    EXPECT_EQ(unused.rgbRed + unused.rgbGreen + unused.rgbBlue, 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, BmpTwoBit,
                         testing::Values(TwoBitCase{"BottomUp", true, false}, TwoBitCase{"TopDown", true, true},
                                         TwoBitCase{"BareBitmap", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// OS/2 2.x headers end after any field from the bit count on: the colour
// table follows the header the file declares, and the fields it leaves out
// (the resolution below 32 bytes) are 0.
class BmpOs2Header : public testing::TestWithParam<std::uint32_t> {};

TEST_P(BmpOs2Header, ColourTableFollowsTheDeclaredHeader)
{
    for (bool fileHeader : {true, false}) {
        BmpRecipe r;
        r.width = 5;
        r.height = 3;
        r.bitCount = 4;
        r.headerSize = GetParam();
        r.fileHeader = fileHeader;
        r.palette = Palette(16);
        const auto rows = IndexRows(16);
        r.pixels = PackBmpRows(rows, 4);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(image.Info().xDpi, GetParam() >= 32 ? 72 : 0);
        ExpectIndexed(image, rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpOs2Header, testing::Values(16u, 20u, 24u, 36u, 64u));

TEST(BmpTrueColour, TwentyFourBitsAndResolution)
{
    BmpRecipe r;
    r.width = 3;
    r.height = 2;
    r.bitCount = 24;
    r.xPelsPerMetre = 11811;
    r.yPelsPerMetre = 3780;
    r.pixels = PackBmpRows({{0x112233, 0x445566, 0x778899}, {0xAABBCC, 0xDDEEFF, 0x010203}}, 24);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.Header().biClrUsed, 0u);
    EXPECT_EQ(image.Info().xDpi, 300);
    EXPECT_EQ(image.Info().yDpi, 96);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 11811);
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0x11, 0x22, 0x33, 255}));
    EXPECT_EQ(SeenPixel(image, 2, 1), (Rgba{0x01, 0x02, 0x03, 255}));
    EXPECT_EQ(image.AlphaPlane(), nullptr);
}

TEST(BmpTrueColour, SixteenBitsWithoutMasksAreFiveFiveFive)
{
    for (std::uint32_t compression : {0u, 1u}) {
        BmpRecipe r;
        r.width = 3;
        r.height = 2;
        r.bitCount = 16;
        r.compression = compression;  // not looked at without masks
        r.pixels = PackBmpRows({{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x4210}}, 16);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(image.BitCount(), 24);
        EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{248, 0, 0, 255}));
        EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0, 248, 0, 255}));
        EXPECT_EQ(SeenPixel(image, 2, 0), (Rgba{0, 0, 248, 255}));
        EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{248, 248, 248, 255}));
        EXPECT_EQ(SeenPixel(image, 2, 1), (Rgba{128, 128, 128, 255}));
    }
}

TEST(BmpTrueColour, SixteenBitsWithBitFieldsUseTheFilesMasks)
{
    for (std::uint32_t headerSize : {40u, 124u}) {
        BmpRecipe r;
        r.width = 3;
        r.height = 1;
        r.bitCount = 16;
        r.compression = 3;
        r.headerSize = headerSize;
        r.masks = {0xF800, 0x07E0, 0x001F};
        r.pixels = PackBmpRows({{0xF800, 0x07E0, 0xFFFF}}, 16);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{248, 0, 0, 255})) << headerSize;
        EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0, 252, 0, 255})) << headerSize;
        EXPECT_EQ(SeenPixel(image, 2, 0), (Rgba{248, 252, 248, 255})) << headerSize;
    }
}

TEST(BmpTrueColour, ThirtyTwoBitsWithPlainOrBitFieldCompression)
{
    for (std::uint32_t compression : {0u, 3u}) {
        BmpRecipe r;
        r.width = 2;
        r.height = 2;
        r.bitCount = 32;
        r.compression = compression;
        if (compression == 3) r.masks = {0xFF0000, 0xFF00, 0xFF};
        r.pixels = PackBmpRows({{0xFF1E140A, 0x00010203}, {0x80405060, 0x11223344}}, 32);
        CDibImage image(ImageFormat::Bmp);
        ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
        EXPECT_EQ(image.BitCount(), 24);
        EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0x1E, 0x14, 0x0A, 255}));
        EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{1, 2, 3, 255}));
        EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{0x40, 0x50, 0x60, 255}));
        EXPECT_EQ(image.AlphaPlane(), nullptr);
    }
}

// 32-bit bit fields: two pixels, each channel from under the file's mask.
struct MaskCase {
    const char* name;
    std::uint32_t compression;
    std::uint32_t headerSize;
    std::vector<std::uint32_t> masks;  // red, green, blue (, alpha)
    std::uint32_t pixels[2];
    Rgba seen[2];
    bool alphaPlane;
};

void PrintTo(const MaskCase& c, std::ostream* out) { *out << c.name; }

class BmpBitFields : public testing::TestWithParam<MaskCase> {};

TEST_P(BmpBitFields, ThirtyTwoBitsUseTheFilesMasks)
{
    const MaskCase& c = GetParam();
    BmpRecipe r;
    r.width = 2;
    r.height = 1;
    r.bitCount = 32;
    r.compression = c.compression;
    r.headerSize = c.headerSize;
    r.masks = c.masks;
    r.pixels = PackBmpRows({{c.pixels[0], c.pixels[1]}}, 32);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.AlphaPlane() != nullptr, c.alphaPlane);
    EXPECT_EQ(SeenPixel(image, 0, 0), c.seen[0]);
    EXPECT_EQ(SeenPixel(image, 1, 0), c.seen[1]);
}

std::vector<std::uint32_t> ArgbMasks() { return {0xFF0000, 0xFF00, 0xFF, 0xFF000000}; }

INSTANTIATE_TEST_SUITE_P(
    Masks, BmpBitFields,
    testing::Values(
        MaskCase{"RedInTheLowByte", 3, 40, {0xFF, 0xFF00, 0xFF0000}, {0x00112233, 0xFF0000FF},
                 {{0x33, 0x22, 0x11, 255}, {0xFF, 0, 0, 255}}, false},
        MaskCase{"TenBitFieldsScaled", 3, 40, {0x3FF00000, 0xFFC00, 0x3FF}, {0x3FF80000, 0x00000155},
                 {{255, 128, 0, 255}, {0, 0, 85, 255}}, false},
        MaskCase{"NarrowFieldsAndOneAlphaBit", 3, 124, {0xF800, 0x07E0, 0x001F, 0x10000}, {0x1FFFF, 0x0F800},
                 {{255, 255, 255, 255}, {255, 0, 0, 0}}, true},
        MaskCase{"ThreeMasksOfA52ByteHeader", 3, 52, {0xFF, 0xFF00, 0xFF0000}, {0x00112233, 0},
                 {{0x33, 0x22, 0x11, 255}, {0, 0, 0, 255}}, false},
        MaskCase{"AlphaMaskOfA56ByteHeader", 3, 56, ArgbMasks(), {0x80102030, 0x00FFFFFF},
                 {{0x10, 0x20, 0x30, 0x80}, {255, 255, 255, 0}}, true},
        MaskCase{"AlphaMaskOfA124ByteHeader", 3, 124, ArgbMasks(), {0x80102030, 0xFF000000},
                 {{0x10, 0x20, 0x30, 0x80}, {0, 0, 0, 255}}, true},
        MaskCase{"AlphaBitFieldsAfterA40ByteHeader", 6, 40, ArgbMasks(), {0x80102030, 0x01FFFFFF},
                 {{0x10, 0x20, 0x30, 0x80}, {255, 255, 255, 1}}, true},
        MaskCase{"ZeroMasksReadAsPlain", 3, 40, {0, 0, 0}, {0x80102030, 0},
                 {{0x10, 0x20, 0x30, 255}, {0, 0, 0, 255}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpTrueColour, TopDownAlphaRowsTurnWithTheirPixels)
{
    BmpRecipe r;
    r.width = 1;
    r.height = -2;
    r.bitCount = 32;
    r.compression = 3;
    r.headerSize = 124;
    r.masks = ArgbMasks();
    r.pixels = PackBmpRows({{0x80FF0000}, {0x400000FF}}, 32, true);
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{255, 0, 0, 0x80}));
    EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{0, 0, 255, 0x40}));
}

TEST(BmpDamage, ShortDataOfEveryDepthFillsOnlyItsRowsEvenTopDown)
{
    for (int bits : {8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            BmpRecipe r;
            r.width = 2;
            r.height = topDown ? -3 : 3;
            r.bitCount = bits;
            if (bits == 8) r.palette = Palette(256);
            const std::vector<std::uint32_t> white(2, bits == 16 ? 0x7FFF : bits == 8 ? 9 : 0xFFFFFF);
            r.pixels = PackBmpRows({white, white, white}, bits, topDown);
            r.pixels.resize(r.pixels.size() / 3);  // the first stored row only
            CDibImage image(ImageFormat::Bmp);
            ASSERT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
            const int filledFromTop = topDown ? 0 : 2;
            for (int row = 0; row < 3; ++row)
                EXPECT_EQ(bits == 8 ? image.GetPixelIndex(1, 2 - row) != 0 : SeenPixel(image, 1, row).g != 0,
                          row == filledFromTop)
                    << bits << " bits, top-down " << topDown << ", row " << row;
        }
    }
}

// --- run-length data ---------------------------------------------------------

std::string Rle8(std::initializer_list<unsigned> bytes)
{
    ByteBuilder b;
    b.Bytes(bytes);
    return b.Str();
}

void DecodeRle(CDibImage& image, int bits, int width, int height, const std::string& data)
{
    BmpRecipe r;
    r.width = width;
    r.height = height;
    r.bitCount = bits;
    r.compression = bits == 8 ? 1 : 2;
    r.palette = Palette(1 << bits);
    r.pixels = data;
    EXPECT_TRUE(DecodeFromBytes(image, BuildBmp(r), ImageFormat::Bmp)) << image.LastError();
}

std::string Row(const CDibImage& image, int y)
{
    std::string out;
    for (int x = 0; x < image.Width(); ++x) out += "0123456789ABCDEF"[image.GetPixelIndex(x, y)];
    return out;
}

TEST(BmpRle8, RunsEndOfLineDeltaAndOddAbsoluteRuns)
{
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 8, 8, 4,
        Rle8({3, 1, 0, 3, 2, 3, 4, 0,      // run of three 1s, absolute 2 3 4 + pad
              0, 0,                        // end of line
              2, 5, 0, 2, 3, 1, 1, 6,      // two 5s, delta right 3 up 1, one 6
              0, 0, 0, 4, 1, 2, 3, 4,      // end of line, absolute run of 4 (no pad)
              0, 1}));
    EXPECT_EQ(Row(image, 0), "11123400");
    EXPECT_EQ(Row(image, 1), "55000000");
    EXPECT_EQ(Row(image, 2), "00000600");
    EXPECT_EQ(Row(image, 3), "12340000");
}

TEST(BmpRle8, RunsStopAtTheRowEndAndRowsAboveAreDropped)
{
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 8, 4, 2,
        Rle8({9, 7,           // nine 7s into a row of four
              0, 0, 2, 3,     // next row: two 3s
              0, 2, 0, 5,     // delta up past the image
              4, 9, 0, 0, 4, 9, 0, 1}));
    EXPECT_EQ(Row(image, 0), "7777");
    EXPECT_EQ(Row(image, 1), "3300");
}

TEST(BmpRle8, FileEndingBeforeTheEndCodeStops)
{
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 8, 4, 2, Rle8({2, 4, 0, 0, 1}));
    EXPECT_EQ(Row(image, 0), "4400");
    EXPECT_EQ(Row(image, 1), "0000");  // the run's value byte is missing: nothing more
}

TEST(BmpRle4, RunsAlternateNibblesFromTheHighOneWhereverTheyStart)
{
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 4, 8, 3,
        Rle8({3, 0x12,                 // 1 2 1
              3, 0x34,                 // 3 4 3 starting on an odd pixel
              0, 0,
              0, 3, 0x56, 0x70,        // absolute 5 6 7: two bytes, no pad
              2, 0x89,                 // 8 9 from an odd pixel
              0, 0,
              0, 5, 0xAB, 0xCD, 0xE0, 0,  // absolute of five: three bytes + pad
              0, 2, 1, 0,              // delta one pixel right
              1, 0xF0,
              0, 1}));
    EXPECT_EQ(Row(image, 0), "12134300");
    EXPECT_EQ(Row(image, 1), "56789000");
    EXPECT_EQ(Row(image, 2), "ABCDE0F0");
}

TEST(BmpRle4, OddAbsoluteRunKeepsItsPlaceInTheStream)
{
    // An absolute run of 3 starting at pixel 1, then a run: the stream stays
    // in step and the run lands at pixels 4 and 5.
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 4, 8, 1,
        Rle8({1, 0x90, 0, 3, 0x12, 0x30, 2, 0x77, 0, 1}));
    EXPECT_EQ(Row(image, 0), "91237700");
}

TEST(BmpRle4, RunsStopAtTheRowEndRowsAboveAreDroppedAndTheFileEndStops)
{
    CDibImage image(ImageFormat::Bmp);
    DecodeRle(image, 4, 3, 2, Rle8({7, 0x12, 0, 0, 1, 0x40, 0, 1}));
    EXPECT_EQ(Row(image, 0), "121");
    EXPECT_EQ(Row(image, 1), "400");

    DecodeRle(image, 4, 3, 2, Rle8({2, 0x56, 0, 2, 0, 5, 3, 0x99, 0, 1}));
    EXPECT_EQ(Row(image, 0), "560");
    EXPECT_EQ(Row(image, 1), "000");

    DecodeRle(image, 4, 3, 2, Rle8({0, 0, 3, 0x34, 2}));  // no end code, last run cut short
    EXPECT_EQ(Row(image, 0), "000");
    EXPECT_EQ(Row(image, 1), "343");
}

// --- failures ----------------------------------------------------------------

std::string Failure(const std::string& bytes)
{
    CDibImage image(ImageFormat::Bmp);
    EXPECT_FALSE(DecodeFromBytes(image, bytes, ImageFormat::Bmp));
    return image.LastError();
}

TEST(BmpFailures, EachConditionGivesItsMessage)
{
    EXPECT_EQ(Failure("BM\x10"), "Not a BMP");
    EXPECT_EQ(Failure(std::string("BM") + std::string(12, '\0') + std::string(20, '\x28')),
              "Error reading BMP info");

    BmpRecipe huge;
    huge.width = 100000;
    huge.height = 100000;
    huge.bitCount = 24;
    EXPECT_EQ(Failure(BuildBmp(huge)), "Can't allocate memory");
    huge.width = -5;
    huge.height = 2;
    EXPECT_EQ(Failure(BuildBmp(huge)), "Can't allocate memory");

    BmpRecipe indexed;
    indexed.bitCount = 8;
    indexed.compression = 4;
    indexed.palette = Palette(256);
    indexed.pixels = std::string(4, '\0');
    EXPECT_EQ(Failure(BuildBmp(indexed)), "compression type not supported");

    BmpRecipe rgb;
    rgb.bitCount = 24;
    rgb.compression = 3;
    rgb.masks = {0xFF0000, 0xFF00, 0xFF};
    rgb.pixels = std::string(4, '\0');
    EXPECT_EQ(Failure(BuildBmp(rgb)), "unknown compression");
    rgb.bitCount = 32;
    rgb.compression = 1;
    EXPECT_EQ(Failure(BuildBmp(rgb)), "unknown compression");

    // The image itself fits (816 MB at 24 bits) but its 32-bit rows would not.
    rgb.compression = 0;
    rgb.width = 17000;
    rgb.height = 16000;
    EXPECT_EQ(Failure(BuildBmp(rgb)), "can't allocate memory");
}

}  // namespace

// --- damaged files (cut and changed in reader_contract_test.cpp) --------------

namespace kestrel::test {

std::vector<ReaderSeed> BmpDamageSeeds()
{
    std::vector<ReaderSeed> files;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        BmpRecipe r;
        r.width = 5;
        r.height = 3;
        r.bitCount = bits;
        if (bits <= 8) r.palette = Palette(bits == 8 ? 20 : 1 << bits), r.coloursUsed = bits == 8 ? 20 : 0;
        std::vector<std::vector<std::uint32_t>> rows(3, std::vector<std::uint32_t>(5, 0x7A5A3A1A));
        r.pixels = PackBmpRows(rows, bits);
        files.push_back({BuildBmp(r)});
    }
    BmpRecipe core;
    core.headerSize = 12;
    core.bitCount = 4;
    core.width = 5;
    core.height = 3;
    core.palette = Palette(16);
    core.pixels = PackBmpRows(IndexRows(16), 4);
    files.push_back({BuildBmp(core)});
    BmpRecipe v5;
    v5.headerSize = 124;
    v5.bitCount = 16;
    v5.compression = 3;
    v5.masks = {0xF800, 0x07E0, 0x001F};
    v5.width = 3;
    v5.height = -2;
    v5.pixels = std::string(16, '\x5A');
    files.push_back({BuildBmp(v5)});
    BmpRecipe rle8;
    rle8.bitCount = 8;
    rle8.compression = 1;
    rle8.width = 8;
    rle8.height = 4;
    rle8.palette = Palette(4);
    rle8.coloursUsed = 4;
    rle8.pixels = Rle8({3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 5, 0, 2, 3, 1, 1, 6, 0, 1});
    files.push_back({BuildBmp(rle8)});
    BmpRecipe rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.pixels = Rle8({3, 0x12, 0, 3, 0x56, 0x70, 0, 2, 1, 1, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1});
    files.push_back({BuildBmp(rle4)});
    BmpRecipe twoBit = core;
    twoBit.headerSize = 20;  // OS/2 2.x, cut after the compression
    twoBit.bitCount = 2;
    twoBit.width = 13;
    twoBit.height = -3;
    twoBit.palette = Palette(4);
    twoBit.pixels = PackBmpRows(IndexRows(4, 13), 2, true);
    files.push_back({BuildBmp(twoBit)});
    for (std::uint32_t compression : {3u, 6u}) {
        BmpRecipe alpha;
        alpha.bitCount = 32;
        alpha.compression = compression;
        alpha.headerSize = compression == 3 ? 124 : 40;
        alpha.masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
        alpha.width = 3;
        alpha.height = compression == 3 ? -2 : 2;
        alpha.pixels = std::string(24, '\x5A');
        files.push_back({BuildBmp(alpha)});
    }
    return files;
}

}  // namespace kestrel::test
