#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/ico_image.h"
#include "tests/support/png_test_files.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/ico_builder.h"
#include "tests/reader_contract.h"
#include "tests/support/reader_bytes.h"

namespace {

using kestrel::test::BuildIco;
using kestrel::test::DecodeFromBytes;
using kestrel::test::IcoBitmap;
using kestrel::test::IcoEntry;
using kestrel::test::PackBmpRows;
using kestrel::test::Rgba;
using kestrel::test::SeenPixel;

using Rows = std::vector<std::vector<std::uint32_t>>;

std::vector<RGBQUAD> Palette(int count)
{
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < count; ++i) palette.push_back(RGBQUAD{BYTE(i * 3), BYTE(100 + i), BYTE(255 - i), 0});
    return palette;
}

Rgba Entry(int i) { return Rgba{BYTE(255 - i), BYTE(100 + i), BYTE(i * 3), 255}; }

// 5 x 3 indices, top row first, within 0..limit-1.
Rows IndexRows(int limit)
{
    Rows rows(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) rows[y].push_back(std::uint32_t((x * 3 + y * 5 + 1) % limit));
    return rows;
}

// An indexed 5 x 3 entry whose directory colour count matches its depth.
IcoEntry IndexedEntry(int bits, unsigned maskByte = 0)
{
    const int colours = 1 << bits;
    IcoEntry e;
    e.widthByte = 5;
    e.heightByte = 3;
    e.colourCount = colours == 256 ? 0 : colours;
    e.bitCount = bits;
    e.image = IcoBitmap(5, 3, bits, Palette(colours), PackBmpRows(IndexRows(colours), bits), 0, maskByte);
    return e;
}

void ExpectIndexed(const CDibImage& image, int bits)
{
    const Rows rows = IndexRows(1 << bits);
    ASSERT_EQ(image.Width(), 5);
    ASSERT_EQ(image.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(SeenPixel(image, x, y), Entry(int(rows[y][x]))) << "x " << x << " row " << y;
}

TEST(IcoBitmaps, EveryColourCountGivesItsDepthAndTable)
{
    for (int bits : {1, 4, 8}) {
        CDibImage image(ImageFormat::Ico);
        ASSERT_TRUE(DecodeFromBytes(image, BuildIco({IndexedEntry(bits)}), ImageFormat::Ico)) << image.LastError();
        EXPECT_EQ(image.BitCount(), bits);
        EXPECT_EQ(int(image.Header().biClrUsed), 1 << bits);
        EXPECT_EQ(image.Info().frameCount, 1);
        EXPECT_EQ(image.Info().transparentIndex, -1);
        EXPECT_EQ(image.AlphaPlane(), nullptr);
        ExpectIndexed(image, bits);
    }
}

TEST(IcoBitmaps, ColoursUsedLimitsTheTableTheRestStaysBlack)
{
    IcoEntry e = IndexedEntry(8);
    e.image = IcoBitmap(5, 3, 8, Palette(20), PackBmpRows(IndexRows(20), 8), 20);
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.Header().biClrUsed, 256u);
    const Rows rows = IndexRows(20);
    EXPECT_EQ(SeenPixel(image, 4, 2), Entry(int(rows[2][4])));
    const RGBQUAD unused = image.GetPaletteColour(20);
    EXPECT_EQ(unused.rgbRed + unused.rgbGreen + unused.rgbBlue, 0);
}

TEST(IcoBitmaps, TwoImagesAreChosenByFrameIndex)
{
    const std::string file = BuildIco({IndexedEntry(4), IndexedEntry(1)});
    for (int frame : {0, 1}) {
        CDibImage image(ImageFormat::Ico);
        ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Ico, frame)) << image.LastError();
        EXPECT_EQ(image.Info().frameCount, 2);
        EXPECT_EQ(image.Info().frameIndex, frame);
        EXPECT_EQ(image.BitCount(), frame == 0 ? 4 : 1);
        ExpectIndexed(image, frame == 0 ? 4 : 1);
    }
}

TEST(IcoBitmaps, TheMaskHasNoEffectOnIndexedAndTwentyFourBitImages)
{
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({IndexedEntry(8, 0xFF)}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_EQ(image.Info().transparentIndex, -1);
    ExpectIndexed(image, 8);

    IcoEntry e;
    e.widthByte = 2;
    e.heightByte = 2;
    e.bitCount = 24;
    e.image = IcoBitmap(2, 2, 24, {}, PackBmpRows({{0x102030, 0x405060}, {0x708090, 0xA0B0C0}}, 24), 0, 0xFF);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0x40, 0x50, 0x60, 255}));
    EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{0x70, 0x80, 0x90, 255}));
}

TEST(IcoBitmaps, ThirtyTwoBitsGiveAnAlphaPlaneUnlessEveryAlphaIsZero)
{
    IcoEntry e;
    e.widthByte = 2;
    e.heightByte = 2;
    e.bitCount = 32;
    e.image = IcoBitmap(2, 2, 32, {}, PackBmpRows({{0x80102030, 0xFF405060}, {0x00708090, 0x10A0B0C0}}, 32));
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24);
    ASSERT_NE(image.AlphaPlane(), nullptr);
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{0x10, 0x20, 0x30, 0x80}));
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{0x40, 0x50, 0x60, 0xFF}));
    EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{0x70, 0x80, 0x90, 0x00}));
    EXPECT_EQ(SeenPixel(image, 1, 1), (Rgba{0xA0, 0xB0, 0xC0, 0x10}));

    // Older icons leave the fourth byte 0 and rely on the mask: opaque.
    e.image = IcoBitmap(2, 2, 32, {}, PackBmpRows({{0x102030, 0x405060}, {0x708090, 0xA0B0C0}}, 32), 0, 0xFF);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_EQ(SeenPixel(image, 1, 1), (Rgba{0xA0, 0xB0, 0xC0, 255}));
}

TEST(IcoBitmaps, WidthAndHeightBytesOfZeroMean256)
{
    const int colours = 2;
    IcoEntry e;
    e.widthByte = 0;
    e.heightByte = 0;
    e.colourCount = colours;
    e.bitCount = 1;
    Rows rows(256, std::vector<std::uint32_t>(256, 0));
    rows[0][255] = 1;  // top right
    e.image = IcoBitmap(256, 256, 1, Palette(colours), PackBmpRows(rows, 1));
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico)) << image.LastError();
    EXPECT_EQ(image.Width(), 256);
    EXPECT_EQ(image.Height(), 256);
    EXPECT_EQ(SeenPixel(image, 255, 0), Entry(1));
    EXPECT_EQ(SeenPixel(image, 254, 0), Entry(0));
}

TEST(IcoBitmaps, RowsCutShortLeaveTheRestClear)
{
    const std::string file = BuildIco({IndexedEntry(8)});
    // The directory, the header, the table and the first (bottom) row of 8 bytes.
    const std::string cut = file.substr(0, 6 + 16 + 40 + 1024 + 8);
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, cut, ImageFormat::Ico)) << image.LastError();
    const Rows rows = IndexRows(256);
    EXPECT_EQ(SeenPixel(image, 4, 2), Entry(int(rows[2][4])));
    EXPECT_EQ(image.GetPixelIndex(0, 1), 0);
}

TEST(IcoPng, PngEntriesGoThroughThePngReader)
{
    kestrel::test::PngRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    recipe.pixels = {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 100, 110, 120, 255};
    IcoEntry e;
    e.widthByte = 2;
    e.heightByte = 2;
    e.bitCount = 32;
    e.image = kestrel::test::WritePng(recipe);
    ASSERT_FALSE(e.image.empty());
    const std::string file = BuildIco({IndexedEntry(4), e});
    CDibImage image(ImageFormat::Ico);
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Ico, 1)) << image.LastError();
    EXPECT_EQ(image.Info().format, ImageFormat::Ico);
    EXPECT_EQ(image.Info().frameCount, 2);
    EXPECT_EQ(image.Info().frameIndex, 1);
    EXPECT_EQ(SeenPixel(image, 0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(SeenPixel(image, 1, 0), (Rgba{40, 50, 60, 128}));
    EXPECT_EQ(SeenPixel(image, 0, 1), (Rgba{70, 80, 90, 0}));

    // A damaged PNG entry fails with the PNG reader's reason.
    e.image = e.image.substr(0, 40);
    image.Destroy();
    EXPECT_FALSE(DecodeFromBytes(image, BuildIco({e}), ImageFormat::Ico));
    EXPECT_EQ(std::string(image.LastError()).rfind("PNG icon image could not be read: ", 0), 0u)
        << image.LastError();
    EXPECT_TRUE(image.IsEmpty());
}

// --- failures ----------------------------------------------------------------

std::string Failure(const std::string& bytes, int frame = 0)
{
    CDibImage image(ImageFormat::Ico);
    EXPECT_FALSE(DecodeFromBytes(image, bytes, ImageFormat::Ico, frame));
    return image.LastError();
}

TEST(IcoFailures, BadDirectoryOrFrameIndexFailsWithoutMessage)
{
    const std::string one = BuildIco({IndexedEntry(4)});
    std::string reserved = one;
    reserved[0] = 1;
    EXPECT_EQ(Failure(reserved), "");
    EXPECT_EQ(Failure(BuildIco({IndexedEntry(4)}, 2)), "");  // a cursor file
    EXPECT_EQ(Failure(one.substr(0, 5)), "");
    EXPECT_EQ(Failure(one, 1), "");
    EXPECT_EQ(Failure(one, -1), "");
    EXPECT_EQ(Failure(BuildIco({})), "");
}

TEST(IcoFailures, ImagesThatCannotBeShownFailWithAMessage)
{
    const std::string one = BuildIco({IndexedEntry(4)});
    EXPECT_EQ(Failure(one.substr(0, 6 + 10)), "Icon directory is cut short");
    EXPECT_EQ(Failure(one.substr(0, 6 + 16 + 4)), "Icon image is cut short");
    EXPECT_EQ(Failure(one.substr(0, 6 + 16 + 30)), "Icon image is cut short");
    for (int bits : {2, 16}) {
        IcoEntry e = IndexedEntry(4);
        e.image = IcoBitmap(5, 3, bits, Palette(4), std::string(64, '\x11'));
        EXPECT_EQ(Failure(BuildIco({e})), "Icon image has an unsupported bit depth") << bits;
    }
}

}  // namespace

// --- damaged files (cut and changed in reader_contract_test.cpp) --------------

namespace kestrel::test {

std::vector<ReaderSeed> IcoDamageSeeds()
{
    IcoEntry rgba;
    rgba.widthByte = 3;
    rgba.heightByte = 2;
    rgba.bitCount = 32;
    rgba.image = IcoBitmap(3, 2, 32, {}, PackBmpRows({{0x80102030, 0xFF405060, 1}, {0, 0x10A0B0C0, 2}}, 32));
    kestrel::test::PngRecipe recipe;
    recipe.width = 2;
    recipe.height = 1;
    recipe.colourType = PNG_COLOR_TYPE_RGB;
    recipe.pixels = {1, 2, 3, 4, 5, 6};
    IcoEntry png = rgba;
    png.image = kestrel::test::WritePng(recipe);
    const std::string file = BuildIco({IndexedEntry(1), IndexedEntry(4), rgba, png});
    std::vector<ReaderSeed> files;
    for (int frame : {0, 1, 2, 3}) files.push_back({file, frame});
    return files;
}

}  // namespace kestrel::test
