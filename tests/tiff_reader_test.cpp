// The TIFF reader on files written in the test with libtiff's writer: what
// each photometric and depth becomes, colour tables, pages, strips against
// tiles and separate planes, resolution, and failures.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/tiff_image.h"
#include "tests/support/decode_bytes.h"
#include "tests/support/tiff_test_files.h"

namespace {

using kestrel::test::DecodeFromBytes;
using kestrel::test::PackRows;
using kestrel::test::PixelAt;
using kestrel::test::SeenPixel;
using kestrel::test::TiffPageRecipe;
using kestrel::test::WriteTiff;

constexpr const char* MSG_NO_PAGE = "Error: page not present in TIFF file";

TiffPageRecipe GreyPage(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                      std::uint16_t photometric, const std::vector<unsigned>& values)
{
    TiffPageRecipe page;
    page.width = width;
    page.height = height;
    page.bitsPerSample = bits;
    page.photometric = photometric;
    page.pixels = PackRows(values, bits, width);
    return page;
}

// Value at (x, y) of a w-wide test pattern of `levels` levels; y counts from
// the top of the picture.
unsigned Pattern(std::uint32_t x, std::uint32_t y, unsigned levels)
{
    return (x * 5 + y * 3 + x * y) % levels;
}

std::vector<unsigned> PatternValues(std::uint32_t width, std::uint32_t height, unsigned levels)
{
    std::vector<unsigned> values;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) values.push_back(Pattern(x, y, levels));
    return values;
}

void LoadTiff(CDibImage& image, const std::string& file, int frame = 0)
{
    ASSERT_FALSE(file.empty()) << "libtiff refused the test file";
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Tiff, frame)) << image.LastError();
}

std::string FailureOf(const std::string& file, int frame = 0)
{
    CDibImage image(ImageFormat::Tiff);
    EXPECT_FALSE(DecodeFromBytes(image, file, ImageFormat::Tiff, frame));
    EXPECT_TRUE(image.IsEmpty());
    return image.LastError();
}

// Every pixel and colour-table-seen colour of two images agree.
void ExpectSamePicture(const CDibImage& a, const CDibImage& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    ASSERT_EQ(a.BitCount(), b.BitCount());
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const SeenPixel p = PixelAt(a, x, y);
            const SeenPixel q = PixelAt(b, x, y);
            ASSERT_EQ(a.GetPixelIndex(x, y), b.GetPixelIndex(x, y)) << "at " << x << "," << y;
            ASSERT_TRUE(p.red == q.red && p.green == q.green && p.blue == q.blue)
                << "at " << x << "," << y;
        }
    }
}

TEST(TiffReader, ClosingTheLibraryHandleLeavesTheStreamOpen)
{
    const std::string file =
        WriteTiff(GreyPage(3, 2, 8, PHOTOMETRIC_MINISBLACK, {1, 2, 3, 4, 5, 6}));
    ASSERT_FALSE(file.empty());
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::fwrite(file.data(), 1, file.size(), stream);
    std::rewind(stream);
    CDibImage image(ImageFormat::Tiff);
    EXPECT_TRUE(image.Decode(stream, ImageFormat::Tiff)) << image.LastError();
    // Still ours: it can be read again from the start and closed once.
    ASSERT_EQ(std::fseek(stream, 0, SEEK_SET), 0);
    char magic[2] = {};
    EXPECT_EQ(std::fread(magic, 1, 2, stream), 2u);
    EXPECT_EQ(std::string(magic, 2), "II");
    EXPECT_EQ(std::fclose(stream), 0);
}

TEST(TiffReader, FilesThatAreNotTiffFailToOpen)
{
    const std::string notTiff[] = {std::string(), std::string("GIF89a not a tiff"),
                                   std::string("II*\0", 4), std::string("MM\0*\0\0\0\x08", 8)};
    for (const std::string& bytes : notTiff)
        EXPECT_STREQ(FailureOf(bytes).c_str(), "Error encountered while opening TIFF file");
}

TEST(TiffReader, PagesAreCountedAndChosenByFrameIndex)
{
    std::vector<TiffPageRecipe> pages;
    for (std::uint32_t width = 1; width <= 3; ++width)
        pages.push_back(
            GreyPage(width, 2, 8, PHOTOMETRIC_MINISBLACK, PatternValues(width, 2, 256)));
    const std::string file = WriteTiff(pages);
    for (int frame = 0; frame < 3; ++frame) {
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, file, frame);
        EXPECT_EQ(image.Width(), frame + 1);
        EXPECT_EQ(image.Info().frameCount, 3);
        EXPECT_EQ(image.Info().frameIndex, frame);
    }
    EXPECT_STREQ(FailureOf(file, 3).c_str(), MSG_NO_PAGE);
    EXPECT_STREQ(FailureOf(file, -1).c_str(), MSG_NO_PAGE);
    EXPECT_STREQ(FailureOf(file, 65536).c_str(), MSG_NO_PAGE);
}

TEST(TiffReader, OtherCompressionsDecodeLikeUncompressedPages)
{
    TiffPageRecipe plain = GreyPage(19, 7, 8, PHOTOMETRIC_MINISBLACK, PatternValues(19, 7, 256));
    plain.rowsPerStrip = 3;
    CDibImage expected(ImageFormat::Tiff);
    LoadTiff(expected, WriteTiff(plain));
    for (const std::uint16_t compression : {COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE}) {
        TiffPageRecipe packed = plain;
        packed.compression = compression;
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, WriteTiff(packed));
        ExpectSamePicture(image, expected);
    }
}

// Rows are bottom-up: the file's top row is stored row height - 1.
TEST(TiffReader, GreyPagesKeepTheirDepthWithARampOfLevels)
{
    struct Case {
        std::uint16_t bits;
        int bitCount;
        int colours;
    };
    for (const Case c : {Case{1, 1, 2}, Case{2, 4, 16}, Case{4, 4, 16}, Case{8, 8, 256}}) {
        for (const std::uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, photometric " << photometric);
            const unsigned levels = 1u << c.bits;
            const std::uint32_t width = 13;
            const std::uint32_t height = 5;
            CDibImage image(ImageFormat::Tiff);
            LoadTiff(image, WriteTiff(GreyPage(width, height, c.bits, photometric,
                                               PatternValues(width, height, levels))));
            EXPECT_EQ(image.BitCount(), c.bitCount);
            EXPECT_EQ(int(image.Header().biClrUsed), c.colours);
            EXPECT_EQ(image.Info().transparentIndex, -1);
            for (std::uint32_t y = 0; y < height; ++y) {
                for (std::uint32_t x = 0; x < width; ++x) {
                    const unsigned value = Pattern(x, y, levels);
                    int level = int(value * (255 / (levels - 1)));
                    if (photometric == PHOTOMETRIC_MINISWHITE) level = 255 - level;
                    const int storedY = int(height - 1 - y);
                    ASSERT_EQ(image.GetPixelIndex(int(x), storedY), value) << x << "," << y;
                    ASSERT_EQ(PixelAt(image, int(x), storedY).red, level) << x << "," << y;
                }
            }
            if (c.bits == 2) {
                // Entries past the four greys stay black.
                EXPECT_EQ(image.GetPaletteColour(4).rgbRed, 0);
                EXPECT_EQ(image.GetPaletteColour(15).rgbBlue, 0);
            }
        }
    }
}

TEST(TiffReader, SixteenBitGreyKeepsTheHighByteInEitherByteOrder)
{
    const std::uint32_t width = 6;
    const std::uint32_t height = 3;
    std::vector<std::uint16_t> samples;
    for (std::uint32_t i = 0; i < width * height; ++i)
        samples.push_back(std::uint16_t(0x1234 + 0x0B57 * i));
    TiffPageRecipe page;
    page.width = width;
    page.height = height;
    page.bitsPerSample = 16;
    page.pixels.resize(samples.size() * 2);
    std::memcpy(page.pixels.data(), samples.data(), page.pixels.size());
    for (const bool bigEndian : {false, true}) {
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, WriteTiff(page, bigEndian));
        EXPECT_EQ(image.BitCount(), 8);
        for (std::uint32_t i = 0; i < samples.size(); ++i) {
            const int x = int(i % width);
            const int y = int(height - 1 - i / width);
            ASSERT_EQ(image.GetPixelIndex(x, y), samples[i] >> 8)
                << "sample " << i << " big-endian " << bigEndian;
            ASSERT_EQ(PixelAt(image, x, y).green, samples[i] >> 8);
        }
    }
}

TEST(TiffReader, PalettePagesKeepTheirDepthAndTheirColourMap)
{
    struct Case {
        std::uint16_t bits;
        int bitCount;
    };
    for (const Case c : {Case{1, 1}, Case{2, 4}, Case{4, 4}, Case{8, 8}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits");
        const unsigned entries = 1u << c.bits;
        TiffPageRecipe page =
            GreyPage(11, 4, c.bits, PHOTOMETRIC_PALETTE, PatternValues(11, 4, entries));
        // 16-bit map values: b * 257 scales back to b exactly; 65534 rounds down to 254.
        page.colourMap.resize(3 * entries);
        for (unsigned i = 0; i < entries; ++i) {
            page.colourMap[i] = std::uint16_t(((i * 71 + 5) % 256) * 257);
            page.colourMap[entries + i] = std::uint16_t(((i * 29 + 100) % 256) * 257);
            page.colourMap[2 * entries + i] = std::uint16_t(((255 - i) % 256) * 257);
        }
        page.colourMap[0] = 65534;
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, WriteTiff(page));
        EXPECT_EQ(image.BitCount(), c.bitCount);
        for (std::uint32_t y = 0; y < 4; ++y) {
            for (std::uint32_t x = 0; x < 11; ++x) {
                const unsigned value = Pattern(x, y, entries);
                const SeenPixel seen = PixelAt(image, int(x), int(3 - y));
                ASSERT_EQ(image.GetPixelIndex(int(x), int(3 - y)), value);
                ASSERT_EQ(seen.red, value == 0 ? 254 : int((value * 71 + 5) % 256));
                ASSERT_EQ(seen.green, int((value * 29 + 100) % 256));
                ASSERT_EQ(seen.blue, int((255 - value) % 256));
            }
        }
    }
}

TEST(TiffReader, ColourMapsOfByteValuesAreUsedUnchanged)
{
    TiffPageRecipe page = GreyPage(16, 1, 4, PHOTOMETRIC_PALETTE, PatternValues(16, 1, 16));
    page.colourMap.resize(48);
    for (unsigned i = 0; i < 16; ++i) {
        page.colourMap[i] = std::uint16_t(i * 16);
        page.colourMap[16 + i] = std::uint16_t(255 - i);
        page.colourMap[32 + i] = std::uint16_t(i);
    }
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(page));
    for (unsigned i = 0; i < 16; ++i) {
        const RGBQUAD entry = image.GetPaletteColour(BYTE(i));
        EXPECT_EQ(entry.rgbRed, i * 16);
        EXPECT_EQ(entry.rgbGreen, 255 - i);
        EXPECT_EQ(entry.rgbBlue, i);
    }
}

TiffPageRecipe RgbPage(std::uint32_t width, std::uint32_t height, std::uint16_t samples)
{
    TiffPageRecipe page;
    page.width = width;
    page.height = height;
    page.samplesPerPixel = samples;
    page.photometric = PHOTOMETRIC_RGB;
    page.alphaSample = samples == 4;
    for (std::uint32_t i = 0; i < width * height; ++i) {
        page.pixels.push_back(std::uint8_t(i * 13));
        page.pixels.push_back(std::uint8_t(200 - i * 7));
        page.pixels.push_back(std::uint8_t(i * 31 + 9));
        if (samples == 4) page.pixels.push_back(255);
    }
    return page;
}

void ExpectRgbPattern(const CDibImage& image, std::uint32_t width, std::uint32_t height)
{
    ASSERT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    for (std::uint32_t i = 0; i < width * height; ++i) {
        const SeenPixel seen = PixelAt(image, int(i % width), int(height - 1 - i / width));
        ASSERT_EQ(seen.red, std::uint8_t(i * 13)) << i;
        ASSERT_EQ(seen.green, std::uint8_t(200 - i * 7)) << i;
        ASSERT_EQ(seen.blue, std::uint8_t(i * 31 + 9)) << i;
    }
}

TEST(TiffReader, RgbPagesBecomeTwentyFourBitsWithoutAlpha)
{
    for (const std::uint16_t samples : {3, 4}) {
        SCOPED_TRACE(testing::Message() << samples << " samples");
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, WriteTiff(RgbPage(7, 5, samples)));
        ExpectRgbPattern(image, 7, 5);
    }
}

TEST(TiffReader, SixteenBitRgbIsReducedToEightBits)
{
    TiffPageRecipe page = RgbPage(5, 3, 3);
    std::vector<std::uint16_t> samples;
    for (const std::uint8_t byte : page.pixels) samples.push_back(std::uint16_t(byte * 257));
    page.bitsPerSample = 16;
    page.pixels.resize(samples.size() * 2);
    std::memcpy(page.pixels.data(), samples.data(), page.pixels.size());
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(page));
    ExpectRgbPattern(image, 5, 3);
}

TEST(TiffReader, SeparatePlanesGiveTheSamePictureAsOnePlane)
{
    const std::uint32_t width = 9;
    const std::uint32_t height = 4;
    const TiffPageRecipe contiguous = RgbPage(width, height, 3);
    TiffPageRecipe separate = contiguous;
    separate.planarConfig = PLANARCONFIG_SEPARATE;
    separate.rowsPerStrip = 3;
    separate.pixels.clear();
    for (int plane = 0; plane < 3; ++plane)
        for (std::size_t i = 0; i < width * height; ++i)
            separate.pixels.push_back(contiguous.pixels[3 * i + std::size_t(plane)]);
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(separate));
    ExpectRgbPattern(image, width, height);

    // Grey with alpha in two planes: read whole, as 24 bits of grey.
    TiffPageRecipe grey =
        GreyPage(width, height, 8, PHOTOMETRIC_MINISBLACK, PatternValues(width, height, 256));
    grey.samplesPerPixel = 2;
    grey.alphaSample = true;
    grey.planarConfig = PLANARCONFIG_SEPARATE;
    grey.pixels.resize(2 * width * height, 255);
    CDibImage greyImage(ImageFormat::Tiff);
    LoadTiff(greyImage, WriteTiff(grey));
    ASSERT_EQ(greyImage.BitCount(), 24);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const SeenPixel seen = PixelAt(greyImage, int(x), int(height - 1 - y));
            ASSERT_EQ(seen.red, int(Pattern(x, y, 256)));
            ASSERT_EQ(seen.blue, seen.red);
        }
    }
}

// The same page as strips and as 16 x 16 tiles (the last tiles reach past
// the picture) must give the same image.
TEST(TiffReader, TiledPagesGiveTheSameImageAsStrips)
{
    struct Case {
        std::uint16_t bits;
        std::uint16_t photometric;
    };
    const Case cases[] = {{1, PHOTOMETRIC_MINISWHITE},  {2, PHOTOMETRIC_MINISBLACK},
                          {4, PHOTOMETRIC_PALETTE},     {8, PHOTOMETRIC_MINISBLACK},
                          {16, PHOTOMETRIC_MINISBLACK}, {8, PHOTOMETRIC_RGB}};
    for (const Case c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, photometric " << c.photometric);
        const std::uint32_t width = 37;
        const std::uint32_t height = 21;
        TiffPageRecipe strips;
        if (c.photometric == PHOTOMETRIC_RGB) {
            strips = RgbPage(width, height, 3);
        } else {
            const unsigned levels = c.bits == 16 ? 65536u : 1u << c.bits;
            strips = GreyPage(width, height, c.bits, c.photometric,
                              PatternValues(width, height, levels));
        }
        if (c.photometric == PHOTOMETRIC_PALETTE) {
            for (unsigned i = 0; i < 48; ++i) strips.colourMap.push_back(std::uint16_t(i * 1000));
        }
        strips.rowsPerStrip = 4;
        TiffPageRecipe tiles = strips;
        tiles.tileWidth = 16;
        tiles.tileLength = 16;
        CDibImage fromStrips(ImageFormat::Tiff);
        CDibImage fromTiles(ImageFormat::Tiff);
        LoadTiff(fromStrips, WriteTiff(strips));
        LoadTiff(fromTiles, WriteTiff(tiles));
        ExpectSamePicture(fromTiles, fromStrips);
    }
}

TEST(TiffReader, ManyStripsWithAShortLastStripFillEveryRow)
{
    const std::uint32_t width = 10;
    const std::uint32_t height = 10;
    TiffPageRecipe page =
        GreyPage(width, height, 4, PHOTOMETRIC_MINISBLACK, PatternValues(width, height, 16));
    page.rowsPerStrip = 3;
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(page));
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(image.GetPixelIndex(int(x), int(height - 1 - y)), Pattern(x, y, 16));
}

// Layouts the reader does not unpack (two grey samples in one plane) are
// copied as the file packs them, at most one stored row per row.
TEST(TiffReader, TwoSamplesInOnePlaneAreCopiedAsPacked)
{
    TiffPageRecipe page = GreyPage(4, 2, 8, PHOTOMETRIC_MINISBLACK, {});
    page.samplesPerPixel = 2;
    page.alphaSample = true;
    for (int i = 0; i < 16; ++i) page.pixels.push_back(std::uint8_t(10 + i));
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(page));
    ASSERT_EQ(image.BitCount(), 8);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(image.GetPixelIndex(x, 1), 10 + x);  // top file row
        EXPECT_EQ(image.GetPixelIndex(x, 0), 18 + x);
    }
}

TEST(TiffReader, ResolutionIsTakenAsDotsPerInchWhenPresent)
{
    TiffPageRecipe page = GreyPage(2, 2, 8, PHOTOMETRIC_MINISBLACK, {1, 2, 3, 4});
    CDibImage plain(ImageFormat::Tiff);
    LoadTiff(plain, WriteTiff(page));
    EXPECT_EQ(plain.Info().xDpi, 72);
    EXPECT_EQ(plain.Info().yDpi, 72);

    page.xResolution = 299.9f;
    page.yResolution = 150.0f;
    CDibImage image(ImageFormat::Tiff);
    LoadTiff(image, WriteTiff(page));
    EXPECT_EQ(image.Info().xDpi, 299);
    EXPECT_EQ(image.Info().yDpi, 150);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 5906);

    // Beyond what the header can express: the default stays.
    page.xResolution = 1e9f;
    CDibImage huge(ImageFormat::Tiff);
    LoadTiff(huge, WriteTiff(page));
    EXPECT_EQ(huge.Info().xDpi, 72);
    EXPECT_EQ(huge.Info().yDpi, 150);
}

// LZW pages read as any other compression: each page of a mixed file, on
// the rows path and the RGBA path, gives what the same page uncompressed
// gives.
TEST(TiffReader, LzwPagesDecodeLikeUncompressedPages)
{
    TiffPageRecipe grey = GreyPage(21, 9, 8, PHOTOMETRIC_MINISBLACK, PatternValues(21, 9, 256));
    grey.rowsPerStrip = 4;
    TiffPageRecipe bilevel = GreyPage(13, 5, 1, PHOTOMETRIC_MINISWHITE, PatternValues(13, 5, 2));
    TiffPageRecipe rgb = RgbPage(11, 6, 3);
    const std::vector<TiffPageRecipe> plain = {grey, bilevel, rgb};
    std::vector<TiffPageRecipe> lzw = plain;
    for (TiffPageRecipe& page : lzw) page.compression = COMPRESSION_LZW;
    const std::string plainFile = WriteTiff(plain);
    const std::string lzwFile = WriteTiff({plain[0], lzw[0], lzw[1], lzw[2]});
    ASSERT_FALSE(lzwFile.empty());
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        CDibImage expected(ImageFormat::Tiff);
        LoadTiff(expected, plainFile, page);
        CDibImage image(ImageFormat::Tiff);
        LoadTiff(image, lzwFile, page + 1);
        EXPECT_EQ(image.Info().frameCount, 4);
        ExpectSamePicture(image, expected);
    }
}

}  // namespace
