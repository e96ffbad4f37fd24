// Cheap deterministic fuzz of the TIFF reader, and directories built by hand
// with sizes no writer would produce. Small files of several layouts are cut
// at every length and have bytes flipped; the reader must fail with one of
// its messages or load a consistent picture. ASan and UBSan watch the rest.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/decode_bytes.h"
#include "tests/support/tiff_test_files.h"

namespace {

using kestrel::test::DecodeFromBytes;
using kestrel::test::HandBuiltTiff;
using kestrel::test::PackRows;
using kestrel::test::TiffEntry;
using kestrel::test::TiffPageRecipe;

constexpr std::uint16_t SHORT = 3;
constexpr std::uint16_t LONG = 4;

std::vector<unsigned> Values(std::size_t count, unsigned levels)
{
    std::vector<unsigned> values;
    for (std::size_t i = 0; i < count; ++i) values.push_back(unsigned(i * 7 + i / 5) % levels);
    return values;
}

TiffPageRecipe Page(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                  std::uint16_t samples, std::uint16_t photometric)
{
    TiffPageRecipe page;
    page.width = width;
    page.height = height;
    page.bitsPerSample = bits;
    page.samplesPerPixel = samples;
    page.photometric = photometric;
    page.pixels =
        PackRows(Values(std::size_t(width) * height * samples, 1u << (bits > 8 ? 8 : bits)),
                 bits > 8 ? 8 : bits, std::size_t(width) * samples * (bits > 8 ? 2 : 1));
    return page;
}

std::vector<std::pair<std::string, int>> SeedFiles()
{
    std::vector<std::pair<std::string, int>> files;  // file, pages
    auto add = [&files](const std::vector<TiffPageRecipe>& pages, bool bigEndian) {
        const std::string file = kestrel::test::WriteTiff(pages, bigEndian);
        if (!file.empty()) files.emplace_back(file, int(pages.size()));
    };
    TiffPageRecipe palette = Page(9, 7, 4, 1, PHOTOMETRIC_PALETTE);
    palette.rowsPerStrip = 3;
    for (unsigned i = 0; i < 48; ++i) palette.colourMap.push_back(std::uint16_t(i * 1300));
    TiffPageRecipe twoBitTiles = Page(20, 18, 2, 1, PHOTOMETRIC_MINISWHITE);
    twoBitTiles.tileWidth = 16;
    twoBitTiles.tileLength = 16;
    add({palette, twoBitTiles}, false);

    TiffPageRecipe rgbTiles = Page(18, 5, 8, 3, PHOTOMETRIC_RGB);
    rgbTiles.tileWidth = 16;
    rgbTiles.tileLength = 16;
    add({rgbTiles}, false);

    TiffPageRecipe grey16 = Page(6, 5, 16, 1, PHOTOMETRIC_MINISBLACK);
    grey16.compression = COMPRESSION_PACKBITS;
    grey16.rowsPerStrip = 2;
    grey16.xResolution = 300.0f;
    add({grey16}, true);

    TiffPageRecipe planes = Page(5, 4, 8, 4, PHOTOMETRIC_RGB);
    planes.alphaSample = true;
    planes.planarConfig = PLANARCONFIG_SEPARATE;
    planes.compression = COMPRESSION_ADOBE_DEFLATE;
    add({planes, Page(3, 3, 1, 1, PHOTOMETRIC_MINISBLACK)}, false);
    return files;
}

const std::set<std::string>& ReaderMessages()
{
    static const std::set<std::string> messages = {
        "Error encountered while opening TIFF file",
        "Error: page not present in TIFF file",
        "LZW compression is no longer supported due to Unisys patent enforcement",
        "No space for raster buffer",
        "Corrupted TIFF file!",
        "Unable to allocate TIFF palette",
        "Can't allocate memory for TIFF image",
        "No space for TIFF strip buffer",
        "No space for TIFF tile buffer"};
    return messages;
}

void DecodeAndCheck(const std::string& bytes, int frame)
{
    CDibImage image(ImageFormat::Tiff);
    const bool ok = DecodeFromBytes(image, bytes, ImageFormat::Tiff, frame);
    if (!ok) {
        ASSERT_TRUE(image.IsEmpty());
        ASSERT_EQ(ReaderMessages().count(image.LastError()), 1u) << image.LastError();
        return;
    }
    ASSERT_FALSE(image.IsEmpty());
    const int bits = image.BitCount();
    ASSERT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << bits;
    ASSERT_GT(image.Info().frameCount, frame);
}

TEST(TiffFuzz, EveryTruncationFailsCleanlyOrLoads)
{
    for (const auto& [file, pages] : SeedFiles()) {
        for (std::size_t length = 0; length < file.size(); ++length) {
            SCOPED_TRACE(testing::Message() << "cut at " << length << " of " << file.size());
            for (int frame = 0; frame < pages; ++frame)
                DecodeAndCheck(file.substr(0, length), frame);
        }
    }
}

TEST(TiffFuzz, FlippedBytesNeverBreakTheReader)
{
    for (const auto& [file, pages] : SeedFiles()) {
        for (std::size_t at = 0; at < file.size(); ++at) {
            for (const unsigned char mask : {0x01, 0x10, 0x80, 0xFF}) {
                SCOPED_TRACE(testing::Message() << "byte " << at << " ^ " << int(mask));
                std::string damaged = file;
                damaged[at] = char(damaged[at] ^ mask);
                for (int frame = 0; frame < pages; ++frame) DecodeAndCheck(damaged, frame);
            }
        }
    }
}

// A grey page of 8 bits, uncompressed, with one strip of `data` at offset
// 8; entries of `changes` replace or add to those tags.
std::string GreyDirectory(std::uint32_t width, std::uint32_t height,
                          const std::vector<TiffEntry>& changes,
                          const std::string& data = std::string(64, '\x55'))
{
    std::vector<TiffEntry> entries = {{256, LONG, width},
                                      {257, LONG, height},
                                      {258, SHORT, 8},
                                      {259, SHORT, 1},
                                      {262, SHORT, 1},
                                      {273, LONG, 8},
                                      {279, LONG, std::uint32_t(data.size())}};
    for (const TiffEntry& change : changes) {
        bool replaced = false;
        for (TiffEntry& entry : entries) {
            if (entry.tag == change.tag) {
                entry = change;
                replaced = true;
            }
        }
        if (!replaced) entries.push_back(change);
    }
    return HandBuiltTiff(entries, data);
}

std::string FailureOf(const std::string& file)
{
    CDibImage image(ImageFormat::Tiff);
    EXPECT_FALSE(DecodeFromBytes(image, file, ImageFormat::Tiff));
    EXPECT_TRUE(image.IsEmpty());
    return image.LastError();
}

TEST(TiffDamage, HandBuiltDirectoriesAreReadAsWritten)
{
    // The builder itself: an 8 x 8 grey page of one strip.
    CDibImage image(ImageFormat::Tiff);
    ASSERT_TRUE(DecodeFromBytes(image, GreyDirectory(8, 8, {}), ImageFormat::Tiff))
        << image.LastError();
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.GetPixelIndex(7, 0), 0x55);
}

TEST(TiffDamage, SizesTooLargeToHoldFailWithAMessageAndWriteNothing)
{
    EXPECT_STREQ(FailureOf(GreyDirectory(60000, 60000, {})).c_str(),
                 "Can't allocate memory for TIFF image");
    EXPECT_STREQ(FailureOf(GreyDirectory(0x80000000u, 2, {})).c_str(),
                 "Can't allocate memory for TIFF image");
    EXPECT_STREQ(FailureOf(GreyDirectory(2, 0xFFFFFFFFu, {})).c_str(),
                 "Can't allocate memory for TIFF image");
}

TEST(TiffDamage, StripAndTileBuffersBeyondAnyImageFailWithAMessage)
{
    // 16-bit samples, 60000 of them per pixel: each file row is 120 MB. The
    // strip is compressed, so libtiff cannot cut it into smaller strips.
    const std::string wideStrip = GreyDirectory(1000, 10,
                                                {{258, SHORT, 16},
                                                 {259, SHORT, COMPRESSION_PACKBITS},
                                                 {277, SHORT, 60000},
                                                 {278, LONG, 10}});
    EXPECT_STREQ(FailureOf(wideStrip).c_str(), "No space for TIFF strip buffer");

    // Tiles 16 pixels wide and almost 2^31 rows long.
    const std::string longTile = GreyDirectory(
        16, 16, {{322, LONG, 16}, {323, LONG, 0x7FFFFFF0u}, {324, LONG, 8}, {325, LONG, 64}});
    EXPECT_STREQ(FailureOf(longTile).c_str(), "No space for TIFF tile buffer");
}

TEST(TiffDamage, StripsPastTheEndOfTheFileEndTheReadAsCorrupted)
{
    EXPECT_STREQ(FailureOf(GreyDirectory(8, 8, {{273, LONG, 100000}})).c_str(),
                 "Corrupted TIFF file!");
    EXPECT_STREQ(
        FailureOf(GreyDirectory(8, 8, {{259, SHORT, COMPRESSION_PACKBITS}, {279, LONG, 4000}}))
            .c_str(),
        "Corrupted TIFF file!");
}

}  // namespace
