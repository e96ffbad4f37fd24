#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/tga_image.h"
#include "tests/support/byte_builder.h"
#include "tests/reader_contract.h"
#include "tests/support/reader_bytes.h"
#include "tests/support/tga_builder.h"

namespace {

using kestrel::test::BuildTga;
using kestrel::test::ByteBuilder;
using kestrel::test::DecodeFromBytes;
using kestrel::test::Rgba;
using kestrel::test::SeenPixel;
using kestrel::test::TgaRecipe;

constexpr int BOTTOM_UP = 0x00;
constexpr int TOP_DOWN = 0x20;
constexpr int RIGHT_TO_LEFT = 0x10;

// One pixel in the file's format for each depth, from (r, g, b, a); grey
// 16-bit pixels are red as the grey byte, then alpha.
std::string FilePixel(int depth, Rgba c, bool grey = false)
{
    ByteBuilder b;
    if (depth == 8) b.U8(c.r);
    else if (depth == 16 && grey) b.U8(c.r).U8(c.a);
    else if (depth == 16) b.U16(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3) | (c.a >= 128 ? 0x8000 : 0));
    else if (depth == 24) b.U8(c.b).U8(c.g).U8(c.r);
    else b.U8(c.b).U8(c.g).U8(c.r).U8(c.a);
    return b.Str();
}

// A 3 x 2 picture, top row first; colours are multiples of 8 so that 16-bit
// files keep them.
const Rgba PICTURE[2][3] = {{{8, 16, 24, 255}, {32, 40, 48, 0}, {56, 64, 72, 255}},
                            {{80, 88, 96, 0}, {104, 112, 120, 255}, {128, 136, 144, 255}}};

std::string PlainData(int depth, bool topDown, bool grey = false)
{
    std::string data;
    for (int k = 0; k < 2; ++k) {
        const int row = topDown ? k : 1 - k;
        for (int x = 0; x < 3; ++x) data += FilePixel(depth, PICTURE[row][x], grey);
    }
    return data;
}

// Row by row: a run of the first pixel's value for 1, then a raw packet of 2.
std::string RunLengthData(int depth, bool topDown, bool grey = false)
{
    std::string data;
    for (int k = 0; k < 2; ++k) {
        const int row = topDown ? k : 1 - k;
        data += char(0x80);
        data += FilePixel(depth, PICTURE[row][0], grey);
        data += char(0x01);
        data += FilePixel(depth, PICTURE[row][1], grey) + FilePixel(depth, PICTURE[row][2], grey);
    }
    return data;
}

Rgba Expected(int depth, int x, int row, bool alphaBits)
{
    Rgba c = PICTURE[row][x];
    if (depth == 8) return Rgba{c.r, c.r, c.r, 255};
    if (!alphaBits) c.a = 255;
    else if (depth == 16) c.a = c.a >= 128 ? 0x80 : 0;
    return c;
}

TEST(TgaTrueColour, EveryDepthOriginAndEncodingPlacesPixelsAndAlpha)
{
    for (int depth : {16, 24, 32}) {
        for (bool runLength : {false, true}) {
            for (bool topDown : {false, true}) {
                TgaRecipe r;
                r.imageType = runLength ? 10 : 2;
                r.width = 3;
                r.height = 2;
                r.depth = depth;
                const bool alphaBits = depth != 24;
                r.descriptor = (topDown ? TOP_DOWN : BOTTOM_UP) | (depth == 32 ? 8 : depth == 16 ? 1 : 0);
                r.data = runLength ? RunLengthData(depth, topDown) : PlainData(depth, topDown);
                CDibImage image(ImageFormat::Tga);
                ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
                EXPECT_EQ(image.BitCount(), 24);
                EXPECT_EQ(image.AlphaPlane() != nullptr, alphaBits);
                for (int row = 0; row < 2; ++row)
                    for (int x = 0; x < 3; ++x)
                        EXPECT_EQ(SeenPixel(image, x, row), Expected(depth, x, row, alphaBits))
                            << "depth " << depth << " rle " << runLength << " top-down " << topDown << " x " << x
                            << " row " << row;
            }
        }
    }
}

TEST(TgaTrueColour, WithoutAttributeBitsSixteenAndThirtyTwoBitFilesAreOpaque)
{
    for (int depth : {16, 32}) {
        TgaRecipe r;
        r.width = 3;
        r.height = 2;
        r.depth = depth;
        r.data = PlainData(depth, false);
        CDibImage image(ImageFormat::Tga);
        ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
        EXPECT_EQ(image.AlphaPlane(), nullptr) << depth;
        EXPECT_EQ(image.Info().pixelType, 2);
        EXPECT_EQ(SeenPixel(image, 1, 0), Expected(depth, 1, 0, false));
    }
}

TEST(TgaTrueColour, SixteenBitWordsWidenByEight)
{
    TgaRecipe r;
    r.width = 2;
    r.height = 1;
    r.depth = 16;
    r.descriptor = 1;
    r.data = ByteBuilder().U16(0x7FFF).U16(0xFFFF).Str();
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0xF8, 0xF8, 0xF8, 0}));
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0xF8, 0xF8, 0xF8, 0x80}));
}

TEST(TgaTrueColour, RightToLeftFilesAreMirroredWithTheirAlpha)
{
    TgaRecipe r;
    r.width = 3;
    r.height = 2;
    r.depth = 32;
    r.descriptor = 8 | TOP_DOWN | RIGHT_TO_LEFT;
    r.data = PlainData(32, true);
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(SeenPixel(image, 2 - x, row), PICTURE[row][x]);
}

TEST(TgaIndexed, ColourMappedFilesOfTypeOneAndNine)
{
    for (int type : {1, 9}) {
        TgaRecipe r;
        r.colourMapType = 1;
        r.imageType = type;
        r.mapLength = 16;
        r.width = 3;
        r.height = 2;
        r.depth = 8;
        for (int i = 0; i < 16; ++i) r.colourMap += FilePixel(24, Rgba{BYTE(i * 10), BYTE(i), BYTE(200 - i), 255});
        r.data = type == 1 ? std::string("\x01\x02\x03\x04\x05\x0F", 6)
                           : std::string("\x81\x01\x00\x03\x80\x04\x01\x05\x0F", 9);
        CDibImage image(ImageFormat::Tga);
        ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
        EXPECT_EQ(image.BitCount(), 8);
        EXPECT_EQ(image.GetPixelIndex(0, 0), 1) << type;  // bottom-left origin
        EXPECT_EQ(image.GetPixelIndex(1, 0), type == 1 ? 2 : 1) << type;
        EXPECT_EQ(image.GetPixelIndex(2, 1), 15) << type;
        EXPECT_EQ(SeenPixel(image, 2, 0), (Rgba{150, 15, 185, 255}));
        const RGBQUAD unused = image.GetPaletteColour(16);
        EXPECT_EQ(unused.rgbRed + unused.rgbGreen + unused.rgbBlue, 0);
    }
}

TEST(TgaIndexed, ColourMapsOfOtherEntrySizesAndMoreThan256Entries)
{
    struct Case {
        int bits;
        std::string entry;
        Rgba colour;
    } cases[] = {
        {16, ByteBuilder().U16(0x7C1F).Str(), {248, 0, 248, 255}},
        {15, ByteBuilder().U16(0x03E0).Str(), {0, 248, 0, 255}},
        {32, std::string("\x01\x02\x03\x04", 4), {3, 2, 1, 255}},
        {24, std::string("\x01\x02\x03", 3), {3, 2, 1, 255}},
        {64, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8), {3, 2, 1, 255}},
    };
    for (const Case& c : cases) {
        TgaRecipe r;
        r.colourMapType = 1;
        r.imageType = 1;
        r.mapLength = 300;  // entries past 256 are read and dropped
        r.mapEntryBits = c.bits;
        r.width = 2;
        r.height = 1;
        r.depth = 8;
        for (int i = 0; i < 300; ++i) r.colourMap += c.entry;
        r.data = std::string("\x07\xFF", 2);
        CDibImage image(ImageFormat::Tga);
        ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
        EXPECT_EQ(SeenPixel(image, 0, 0), c.colour) << c.bits;
        EXPECT_EQ(SeenPixel(image, 1, 0), c.colour) << c.bits;
    }
}

TEST(TgaIndexed, GreyFilesGetAGreyTableEvenWithAColourMap)
{
    for (int type : {3, 11}) {
        TgaRecipe r;
        r.colourMapType = 1;
        r.imageType = type;
        r.mapLength = 2;
        r.colourMap = std::string(6, '\x40');
        r.width = 2;
        r.height = 1;
        r.depth = 8;
        r.data = type == 3 ? std::string("\x10\xF0", 2) : std::string("\x01\x10\xF0", 3);
        CDibImage image(ImageFormat::Tga);
        ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
        EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0x10, 0x10, 0x10, 255})) << type;
        EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0xF0, 0xF0, 0xF0, 255})) << type;
        EXPECT_EQ(image.GetPaletteColour(0).rgbRed, 0);
    }
}

TEST(TgaIndexed, SixteenBitGreyFilesAreGreyWithAnAlphaPlane)
{
    for (int type : {3, 11}) {
        for (int attributeBits : {8, 0}) {
            TgaRecipe r;
            r.imageType = type;
            r.width = 3;
            r.height = 2;
            r.depth = 16;
            r.descriptor = TOP_DOWN | attributeBits;
            r.data = type == 3 ? PlainData(16, true, true) : RunLengthData(16, true, true);
            CDibImage image(ImageFormat::Tga);
            ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
            EXPECT_EQ(image.BitCount(), 8);
            EXPECT_EQ(image.AlphaPlane() != nullptr, attributeBits != 0);
            for (int row = 0; row < 2; ++row) {
                for (int x = 0; x < 3; ++x) {
                    const Rgba c = PICTURE[row][x];
                    EXPECT_EQ(SeenPixel(image, x, row), (Rgba{c.r, c.r, c.r, BYTE(attributeBits ? c.a : 255)}))
                        << "type " << type << " attribute bits " << attributeBits << " x " << x << " row " << row;
                }
            }
        }
    }
}

TEST(TgaIndexed, ColourMapEntriesStartAtTheFirstIndex)
{
    // Entries 0, 1, 2 of the map are indices 2, 3, 4; from 254 on, only two
    // entries fit in the table.
    for (int first : {2, 254}) {
        TgaRecipe r;
        r.colourMapType = 1;
        r.imageType = 1;
        r.mapFirst = first;
        r.mapLength = 3;
        r.colourMap = FilePixel(24, Rgba{10, 0, 0, 255}) + FilePixel(24, Rgba{20, 0, 0, 255}) +
                      FilePixel(24, Rgba{30, 0, 0, 255});
        r.width = 3;
        r.height = 1;
        r.depth = 8;
        r.data = std::string{char(first), char(first + 1), char(first - 1)};
        CDibImage image(ImageFormat::Tga);
        ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
        EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{10, 0, 0, 255})) << first;
        EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{20, 0, 0, 255})) << first;
        EXPECT_EQ(SeenPixel(image, 2, 0), (Rgba{0, 0, 0, 255})) << first;  // below the map: as Create left it
    }
}

TEST(TgaLayout, IdFieldIsSkippedBeforeTheColourMap)
{
    TgaRecipe r;
    r.id = std::string(26, 'i');
    r.colourMapType = 1;
    r.imageType = 1;
    r.mapLength = 2;
    r.colourMap = FilePixel(24, Rgba{1, 2, 3, 255}) + FilePixel(24, Rgba{4, 5, 6, 255});
    r.width = 1;
    r.height = 1;
    r.depth = 8;
    r.data = "\x01";
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{4, 5, 6, 255}));
}

TEST(TgaLayout, PacketsCrossingARowEndGoOnInTheNextRow)
{
    // 2 x 2: one run of 3 and one raw pixel; nothing is written past a row.
    TgaRecipe r;
    r.imageType = 10;
    r.width = 2;
    r.height = 2;
    r.depth = 24;
    r.descriptor = TOP_DOWN;
    r.data = std::string("\x82", 1) + FilePixel(24, Rgba{9, 9, 9, 255}) + std::string("\x00", 1) +
             FilePixel(24, Rgba{7, 7, 7, 255});
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{9, 9, 9, 255}));
    EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{9, 9, 9, 255}));
    EXPECT_EQ(SeenPixel(image, 1, 1), (Rgba{7, 7, 7, 255}));

    // A run longer than the whole image stops at its last pixel.
    r.data = std::string("\xFF", 1) + FilePixel(24, Rgba{5, 5, 5, 255});
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 1, 1), (Rgba{5, 5, 5, 255}));
}

TEST(TgaLayout, FileEndingInsideTheLastRowLeavesItsRestClear)
{
    TgaRecipe r;
    r.width = 3;
    r.height = 2;
    r.depth = 24;
    r.data = PlainData(24, false).substr(0, 9 + 3);
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), PICTURE[0][0]);
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0, 0, 0, 255}));

    // Run-length: the last row ends after its first packet and the next header.
    r.imageType = 10;
    r.data = RunLengthData(24, false).substr(0, 11 + 4 + 1);
    ASSERT_TRUE(DecodeFromBytes(image, BuildTga(r), ImageFormat::Tga)) << image.LastError();
    EXPECT_EQ(SeenPixel(image, 0, 0), PICTURE[0][0]);
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(SeenPixel(image, 2, 1), PICTURE[1][2]);
}

// --- failures ----------------------------------------------------------------

std::string Failure(const std::string& bytes)
{
    CDibImage image(ImageFormat::Tga);
    EXPECT_FALSE(DecodeFromBytes(image, bytes, ImageFormat::Tga));
    return image.LastError();
}

TEST(TgaFailures, EachConditionGivesItsMessage)
{
    TgaRecipe r;
    r.width = 3;
    r.height = 2;
    r.depth = 24;
    r.data = PlainData(24, false);
    EXPECT_EQ(Failure(BuildTga(r).substr(0, 17)), "Not a TGA");
    for (int type : {0, 32, 4}) {
        TgaRecipe t = r;
        t.imageType = type;
        EXPECT_EQ(Failure(BuildTga(t)), "Unknown TGA image type") << type;
    }
    TgaRecipe huge = r;
    huge.width = 65535;
    huge.height = 65535;
    EXPECT_EQ(Failure(BuildTga(huge)), "TGA Create failed");
    TgaRecipe shortFile = r;
    shortFile.height = 4;
    EXPECT_EQ(Failure(BuildTga(shortFile)), "corrupted TGA");
    shortFile.imageType = 10;
    shortFile.data = RunLengthData(24, false);
    EXPECT_EQ(Failure(BuildTga(shortFile)), "corrupted TGA");
}

}  // namespace

// --- damaged files (cut and changed in reader_contract_test.cpp) --------------

namespace kestrel::test {

std::vector<ReaderSeed> TgaDamageSeeds()
{
    std::vector<ReaderSeed> files;
    for (int depth : {8, 16, 24, 32}) {
        for (bool runLength : {false, true}) {
            TgaRecipe r;
            r.imageType = depth == 8 ? (runLength ? 9 : 1) : (runLength ? 10 : 2);
            r.width = 3;
            r.height = 2;
            r.depth = depth;
            r.descriptor = TOP_DOWN | RIGHT_TO_LEFT | (depth == 32 ? 8 : depth == 16 ? 1 : 0);
            if (depth == 8) {
                r.colourMapType = 1;
                r.mapLength = 4;
                r.mapEntryBits = 16;
                r.colourMap = std::string(8, '\x21');
            }
            r.data = runLength ? RunLengthData(depth, true) : PlainData(depth, true);
            files.push_back({BuildTga(r)});
        }
    }
    for (bool runLength : {false, true}) {
        TgaRecipe grey;
        grey.imageType = runLength ? 11 : 3;
        grey.width = 3;
        grey.height = 2;
        grey.depth = 16;
        grey.descriptor = RIGHT_TO_LEFT | 8;
        grey.data = runLength ? RunLengthData(16, false, true) : PlainData(16, false, true);
        files.push_back({BuildTga(grey)});
    }
    TgaRecipe origin;
    origin.colourMapType = 1;
    origin.imageType = 9;
    origin.mapFirst = 250;
    origin.mapLength = 8;
    origin.colourMap = std::string(24, '\x33');
    origin.width = 3;
    origin.height = 2;
    origin.depth = 8;
    origin.data = std::string("\x82\xFB\x02\xFA\xFF\x01", 6);
    files.push_back({BuildTga(origin)});
    return files;
}

}  // namespace kestrel::test
