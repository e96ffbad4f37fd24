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

// Little-endian classic TIFF: header, `data` at offset 8, then one
// directory per entry list, chained in order. Entries are {tag, type, count,
// value}, sorted by tag by the caller; arrays live in `data`.
struct ArrayEntry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};
void put16(std::string& out, std::uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
std::string ChainedDirectories(std::string data, const std::vector<std::vector<ArrayEntry>>& directories)
{
    if (data.size() % 2) data += '\0';
    std::string out = "II";
    put16(out, 42);
    put32(out, std::uint32_t(8 + data.size()));
    out += data;
    for (std::size_t d = 0; d < directories.size(); ++d) {
        put16(out, std::uint32_t(directories[d].size()));
        for (const ArrayEntry& entry : directories[d]) {
            put16(out, entry.tag);
            put16(out, entry.type);
            put32(out, entry.count);
            if (entry.type == SHORT && entry.count == 1) {
                put16(out, entry.value);
                put16(out, 0);
            } else {
                put32(out, entry.value);
            }
        }
        const std::size_t next = out.size() + 4;
        put32(out, d + 1 < directories.size() ? std::uint32_t(next) : 0);
    }
    return out;
}

// Small files that once took seconds: each must load, or fail, at once.

TEST(TiffBoundedWork, ThousandsOfPagesSharingOneLongStripArrayAreCountedWithoutReadingThem)
{
    // 4000 pages of 1 x 60000 grey pixels, one strip per row; every page
    // names the same two 60000-entry arrays (828 KB in all).
    constexpr std::uint32_t ROWS = 60000, PAGES = 4000;
    std::string data;
    for (std::uint32_t i = 0; i < ROWS; ++i) data += char(i % 251);
    const std::uint32_t offsets = 8 + ROWS, counts = offsets + 4 * ROWS;
    for (std::uint32_t i = 0; i < ROWS; ++i) put32(data, 8 + i);
    for (std::uint32_t i = 0; i < ROWS; ++i) put16(data, 1);
    const std::vector<ArrayEntry> page = {{256, LONG, 1, 1},        {257, LONG, 1, ROWS},
                                          {258, SHORT, 1, 8},       {259, SHORT, 1, 1},
                                          {262, SHORT, 1, 1},       {273, LONG, ROWS, offsets},
                                          {278, LONG, 1, 1},        {279, SHORT, ROWS, counts}};
    const std::string file = ChainedDirectories(data, std::vector<std::vector<ArrayEntry>>(PAGES, page));
    ASSERT_LT(file.size(), 1u << 20);

    CDibImage image(ImageFormat::Tiff);
    image.SetFrameIndex(int(PAGES - 1));
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Tiff)) << image.LastError();
    EXPECT_EQ(image.Info().frameCount, int(PAGES));
    EXPECT_EQ(image.GetPixelIndex(0, int(ROWS) - 1 - 300), 300 % 251);  // picture row 300
}

TEST(TiffBoundedWork, StripsThatAllPointAtOneBlockAreCorrupted)
{
    // A 10000 x 10000 grey page in 100 strips of 100 rows, every strip the
    // same 16 KB of PackBits runs: 100 MB from a 16 KB file.
    std::string block;
    for (int run = 0; run < 7812; ++run) block += std::string{char(-127), '\x2A'};
    block += std::string{char(-63), '\x2A'};
    std::string data = block;
    const std::uint32_t offsets = std::uint32_t(8 + data.size()), counts = offsets + 400;
    for (int strip = 0; strip < 100; ++strip) put32(data, 8);
    for (int strip = 0; strip < 100; ++strip) put32(data, std::uint32_t(block.size()));
    const std::vector<ArrayEntry> page = {{256, LONG, 1, 10000},
                                          {257, LONG, 1, 10000},
                                          {258, SHORT, 1, 8},
                                          {259, SHORT, 1, COMPRESSION_PACKBITS},
                                          {262, SHORT, 1, 1},
                                          {273, LONG, 100, offsets},
                                          {278, LONG, 1, 100},
                                          {279, LONG, 100, counts}};
    EXPECT_STREQ(FailureOf(ChainedDirectories(data, {page})).c_str(), "Corrupted TIFF file!");
}

}  // namespace
