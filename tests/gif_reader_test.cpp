// The GIF reader's file structure: signature, colour tables and bit depth,
// graphic control and other extensions, the first image only, and how a file
// that ends early or names an odd size is met.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/gif_image.h"
#include "formats/gif_structure.h"
#include "tests/gif_test_helpers.h"

namespace kestrel::test {
namespace {

// A 4 x 2 picture using indices 0..3.
const GifBytes SMALL_PIXELS = {0, 1, 2, 3, 3, 2, 1, 0};

GifWriter SmallPicture(const std::vector<GifColour>& global, int transparentIndex = -1)
{
    GifWriter gif;
    gif.Header(4, 2, global);
    if (transparentIndex >= 0) gif.GraphicControl(7, transparentIndex);
    gif.ImageDescriptor(0, 0, 4, 2).Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
    return gif;
}

TEST(GifSignature, OtherSignatureGivesFalseWithoutMessage)
{
    for (const char* signature : {"GIF7a9", "gif89a", "PNG89a", "XIF89a"}) {
        GifWriter gif;
        gif.Header(4, 2, TestPalette(4), signature);
        const GifResult result = DecodeGif(gif.Data());
        EXPECT_FALSE(result.ok) << signature;
        EXPECT_STREQ(result.image->LastError(), "") << signature;
        EXPECT_TRUE(result.image->IsEmpty());
    }
}

TEST(GifSignature, VersionBytesAreNotCompared)
{
    for (const char* signature : {"GIF87a", "GIF89a", "GIF8zz"}) {
        GifWriter gif;
        gif.Header(4, 2, TestPalette(4), signature)
            .ImageDescriptor(0, 0, 4, 2)
            .Raster(2, LzwEncode(SMALL_PIXELS, {2}))
            .Trailer();
        const GifResult result = DecodeGif(gif.Data());
        EXPECT_TRUE(result.ok) << signature;
        EXPECT_EQ(PictureIndices(*result.image), SMALL_PIXELS) << signature;
    }
}

TEST(GifSignature, FileShorterThanTheHeaderEndsTheParseEmpty)
{
    const GifBytes whole = SmallPicture(TestPalette(4)).Data();
    for (std::size_t length : {0, 1, 3, 4, 6, 12}) {
        const GifResult result = DecodeGif(GifBytes(whole.begin(), whole.begin() + long(length)));
        EXPECT_TRUE(result.ok) << length;
        EXPECT_TRUE(result.image->IsEmpty()) << length;
    }
}

TEST(GifStructure, HeaderAndTrailerOnlyIsAnEmptySuccess)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.image->IsEmpty());
}

TEST(GifStructure, UnknownBlockEndsTheParse)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).Byte(0x00).ImageDescriptor(0, 0, 4, 2).Raster(2, LzwEncode(SMALL_PIXELS, {2}));
    const GifResult result = DecodeGif(gif.Data());
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.image->IsEmpty());
}

TEST(GifStructure, PictureRowsAreStoredBottomUpWithTheFileTable)
{
    const GifResult result = DecodeGif(SmallPicture(TestPalette(4)).Data());
    ASSERT_TRUE(result.ok);
    const CDibImage& image = *result.image;
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.BitCount(), 4);
    EXPECT_EQ(image.Info().format, ImageFormat::Bmp);  // created with format code 0
    EXPECT_EQ(PictureRow(image, 0), (GifBytes{0, 1, 2, 3}));
    // The top picture row is the last stored row.
    EXPECT_EQ(image.GetPixelIndex(0, 1), 0);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
    const RGBQUAD entry = image.GetPaletteColour(2);
    EXPECT_EQ(entry.rgbRed, 2);
    EXPECT_EQ(entry.rgbGreen, 253);
    EXPECT_EQ(entry.rgbBlue, 14);
    EXPECT_EQ(image.Info().transparentIndex, -1);
}

struct DepthCase {
    int entries;
    int bitCount;
};

class GifDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(GifDepth, FollowsTheColourCount)
{
    const DepthCase c = GetParam();
    GifPicture picture;
    picture.width = 5;
    picture.height = 3;
    for (int i = 0; i < 15; ++i) picture.pixels.push_back(std::uint8_t(i % c.entries));
    picture.palette = TestPalette(c.entries);
    const GifResult result = DecodeGif(EncodeGif(picture));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.image->BitCount(), c.bitCount);
    EXPECT_EQ(PictureIndices(*result.image), picture.pixels);
    ExpectSameAsReference(EncodeGif(picture));
}

INSTANTIATE_TEST_SUITE_P(Tables, GifDepth,
                         ::testing::Values(DepthCase{2, 1}, DepthCase{4, 4}, DepthCase{8, 4}, DepthCase{16, 4},
                                           DepthCase{32, 8}, DepthCase{64, 8}, DepthCase{128, 8},
                                           DepthCase{256, 8}));

TEST(GifColourTable, LocalTableReplacesTheGlobalOneAndItsDepth)
{
    std::vector<GifColour> local = {{10, 20, 30}, {40, 50, 60}};
    GifWriter gif;
    gif.Header(3, 1, TestPalette(256))
        .ImageDescriptor(0, 0, 3, 1, false, local)
        .Raster(2, LzwEncode(GifBytes{1, 0, 1}, {2}))
        .Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.image->BitCount(), 1);
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{1, 0, 1}));
    EXPECT_EQ(result.image->GetPaletteColour(1).rgbRed, 40);
    EXPECT_EQ(result.image->GetPaletteColour(1).rgbBlue, 60);
}

TEST(GifColourTable, NoTableKeepsTheClearedTable)
{
    GifWriter gif;
    gif.Header(4, 2).ImageDescriptor(0, 0, 4, 2).Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    // No flag: the size code 0 still counts as 2 colours, so the image has 1 bit.
    EXPECT_EQ(result.image->BitCount(), 1);
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{0, 1, 0, 1, 1, 0, 1, 0}));
    for (int i = 0; i < 2; ++i) {
        const RGBQUAD entry = result.image->GetPaletteColour(BYTE(i));
        EXPECT_EQ(entry.rgbRed | entry.rgbGreen | entry.rgbBlue | entry.rgbReserved, 0);
    }
}

// Every entry of tables of every size, read four, two or one at a time.
class GifTableSize : public ::testing::TestWithParam<int> {};

TEST_P(GifTableSize, EveryEntryBecomesBlueGreenRedAndZero)
{
    const std::vector<GifColour> table = TestPalette(GetParam());
    const GifResult result = DecodeGif(SmallPicture(table).Data());
    ASSERT_TRUE(result.ok);
    for (int i = 0; i < GetParam(); ++i) {
        const RGBQUAD entry = result.image->GetPaletteColour(BYTE(i));
        EXPECT_EQ(entry.rgbBlue, table[std::size_t(i)].blue) << i;
        EXPECT_EQ(entry.rgbGreen, table[std::size_t(i)].green) << i;
        EXPECT_EQ(entry.rgbRed, table[std::size_t(i)].red) << i;
        EXPECT_EQ(entry.rgbReserved, 0) << i;
    }
}
INSTANTIATE_TEST_SUITE_P(Sizes, GifTableSize, ::testing::Values(2, 4, 8, 16, 32, 64, 128, 256));

TEST(GifColourTable, TransparencyOnA4BitImageStoresOnlyItsEntries)
{
    const GifResult result = DecodeGif(SmallPicture(TestPalette(16), 3).Data());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.image->BitCount(), 4);
    EXPECT_EQ(result.image->Header().biClrUsed, 16u);
    EXPECT_EQ(result.image->GetPaletteColour(15).rgbRed, 15);
    EXPECT_EQ(result.image->Info().transparentIndex, 3);
}

TEST(GifColourTable, TransparencyFillsMissingEntriesWithWhite)
{
    const GifResult result = DecodeGif(SmallPicture(TestPalette(64), 3).Data());
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.image->BitCount(), 8);
    EXPECT_EQ(result.image->GetPaletteColour(63).rgbRed, 63);
    for (int i = 64; i < 256; ++i) {
        const RGBQUAD entry = result.image->GetPaletteColour(BYTE(i));
        EXPECT_TRUE(entry.rgbRed == 255 && entry.rgbGreen == 255 && entry.rgbBlue == 255) << i;
    }
}

TEST(GifColourTable, FullTableKeepsItsEntry255UnderATransparentIndex)
{
    const GifResult keyed = DecodeGif(SmallPicture(TestPalette(256), 0).Data());  // no white in it
    ASSERT_TRUE(keyed.ok);
    const RGBQUAD last = keyed.image->GetPaletteColour(255);
    EXPECT_EQ(last.rgbRed, 255);
    EXPECT_EQ(last.rgbGreen, 0);
    EXPECT_EQ(last.rgbBlue, (255 * 7) & 0x7F);
}

TEST(GifGraphicControl, DelayAndTransparentIndexAreRead)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).GraphicControl(0x1234, 2).ImageDescriptor(0, 0, 4, 2);
    gif.Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.image->Info().frameDelay, 0x1234);
    EXPECT_EQ(result.image->Info().transparentIndex, 2);
}

TEST(GifGraphicControl, LaterBlockOverwritesDelayAndKeepsAnEarlierIndexWithoutItsFlag)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).GraphicControl(5, 1).GraphicControl(9).ImageDescriptor(0, 0, 4, 2);
    gif.Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    EXPECT_EQ(result.image->Info().frameDelay, 9);
    EXPECT_EQ(result.image->Info().transparentIndex, 1);
}

TEST(GifGraphicControl, BlockSizeOtherThanFourEndsTheParse)
{
    for (std::uint8_t size : {0, 3, 5, 255}) {
        GifWriter gif;
        gif.Header(4, 2, TestPalette(4)).Raw({0x21, 0xF9, size, 1, 9, 0, 2, 0}).ImageDescriptor(0, 0, 4, 2);
        gif.Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
        const GifResult result = DecodeGif(gif.Data());
        EXPECT_TRUE(result.ok) << int(size);
        EXPECT_TRUE(result.image->IsEmpty()) << int(size);
    }
}

TEST(GifExtensions, OtherExtensionsAreSkippedWholly)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4))
        .Comment(std::string(600, 'c'))
        .Extension(0xFF, {{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, {1, 0, 0}})
        .Extension(0x01, {GifBytes(255, 0x2C), GifBytes(3, 0x21)})
        .GraphicControl(3, 1)
        .ImageDescriptor(0, 0, 4, 2)
        .Raster(2, LzwEncode(SMALL_PIXELS, {2}))
        .Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(PictureIndices(*result.image), SMALL_PIXELS);
    EXPECT_EQ(result.image->Info().transparentIndex, 1);
}

// The file is read 16 KiB at a time: whatever falls across the end of a
// read (a sub-block, the descriptor, a local table, the raster) reads the same.
TEST(GifExtensions, LongExtensionsBeforeTheImageReadTheSameWhereverAReadEnds)
{
    for (std::size_t comment = 15800; comment < 16700; comment += 23) {
        GifWriter gif;
        gif.Header(4, 2, TestPalette(4))
            .Comment(std::string(comment, 'c'))
            .GraphicControl(3, 1)
            .ImageDescriptor(0, 0, 4, 2, false, TestPalette(16))
            .Raster(2, LzwEncode(SMALL_PIXELS, {2}))
            .Trailer();
        const GifResult result = DecodeGif(gif.Data());
        ASSERT_TRUE(result.ok) << comment;
        EXPECT_EQ(PictureIndices(*result.image), SMALL_PIXELS) << comment;
        EXPECT_EQ(result.image->Info().transparentIndex, 1) << comment;
        EXPECT_EQ(result.image->BitCount(), 4) << comment;
        EXPECT_EQ(CheckGifCompleteness(gif.Data().data(), gif.Size()), GifCompleteness::Complete) << comment;
    }
}

TEST(GifExtensions, ExtensionsAreSkippedOnAStreamThatCannotSeek)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4))
        .Comment(std::string(300, 'c'))
        .GraphicControl(3, 1)
        .ImageDescriptor(0, 0, 4, 2)
        .Raster(2, LzwEncode(SMALL_PIXELS, {2}))
        .Trailer();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], gif.Data().data(), gif.Size()), ssize_t(gif.Size()));
    close(ends[1]);
    FILE* stream = fdopen(ends[0], "rb");
    ASSERT_NE(stream, nullptr);
    CDibImage image(ImageFormat::Gif);
    EXPECT_TRUE(image.Decode(stream, ImageFormat::Gif));
    std::fclose(stream);
    EXPECT_EQ(PictureIndices(image), SMALL_PIXELS);
    EXPECT_EQ(image.Info().transparentIndex, 1);
}

TEST(GifStructure, OnlyTheFirstImageIsDecoded)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).GraphicControl(4, -1).ImageDescriptor(0, 0, 4, 2);
    gif.Raster(2, LzwEncode(SMALL_PIXELS, {2}));
    gif.GraphicControl(8, 1).ImageDescriptor(0, 0, 2, 1, false, TestPalette(2)).Raster(2, LzwEncode(GifBytes{1, 1}, {2}));
    gif.Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.image->Width(), 4);
    EXPECT_EQ(result.image->Info().frameDelay, 4);
    EXPECT_EQ(result.image->Info().transparentIndex, -1);
    EXPECT_EQ(PictureIndices(*result.image), SMALL_PIXELS);
}

TEST(GifStructure, FileEndingInsideTablesDescriptorsOrExtensionsEndsTheParse)
{
    GifWriter gif;
    gif.Header(4, 2, TestPalette(4)).GraphicControl(6, 1).Comment("hi").ImageDescriptor(0, 0, 4, 2,
                                                                                         false, TestPalette(8));
    const std::size_t rasterStart = gif.Size();
    gif.Raster(2, LzwEncode(SMALL_PIXELS, {2})).Trailer();
    for (std::size_t length = 0; length <= rasterStart; ++length) {
        const GifResult result = DecodeGif(gif.Truncated(length));
        EXPECT_TRUE(result.ok) << length;
        EXPECT_TRUE(result.image->IsEmpty() || length == rasterStart) << length;
        ExpectSameAsReference(gif.Truncated(length));
    }
}

// Sizes the line width or the image cannot hold.

TEST(GifOddSizes, ZeroWidthOrHeightDecodesNoPixels)
{
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        for (const bool interlaced : {false, true}) {
            GifWriter gif;
            gif.Header(8, 8, TestPalette(4)).ImageDescriptor(0, 0, width, height, interlaced);
            gif.Raster(2, LzwEncode(GifBytes(40, 3), {2})).Trailer();
            const GifResult result = DecodeGif(gif.Data());
            EXPECT_TRUE(result.ok);
            EXPECT_EQ(result.image->Width(), width);
            EXPECT_EQ(result.image->Height(), height);
            EXPECT_EQ(result.image->Header().biSizeImage, 0u);
        }
    }
}

// The picture's rows are not cleared before decoding: the bytes no pixel
// reaches (row padding, the end of a short line, rows never reached) must
// still come out 0, whatever the heap held. The block the picture will get
// is filled with 0xA5 and freed first, so that it is likely handed back.
TEST(GifOddSizes, BytesNoPixelReachesAreZeroWhateverTheHeapHeld)
{
    for (const int colours : {2, 16, 256}) {
        for (const int width : {1, 3, 5, 7, 9, 13, 33}) {
            GifPicture picture;
            picture.width = width;
            picture.height = 6;
            picture.palette = TestPalette(colours);
            for (int i = 0; i < width * picture.height; ++i) picture.pixels.push_back(std::uint8_t((i * 5 + 1) % colours));
            const GifBytes whole = EncodeGif(picture);
            // Cut inside the raster data: the end of the file, not a terminator.
            const GifBytes cut(whole.begin(), whole.end() - 4);
            for (const GifBytes* file : {&whole, &cut}) {
                const int depth = colours == 2 ? 1 : colours == 16 ? 4 : 8;
                const std::size_t stride = std::size_t((width * depth + 31) / 32 * 4);
                const std::size_t dibBytes = 40 + 4 * std::size_t(1 << depth) + stride * std::size_t(picture.height);
                void* dirty = std::malloc(dibBytes);
                ASSERT_NE(dirty, nullptr);
                std::memset(dirty, 0xA5, dibBytes);
                std::free(dirty);
                ExpectSameAsReference(*file, (std::to_string(colours) + " colours, width " + std::to_string(width) +
                                              (file == &cut ? ", cut" : ""))
                                                 .c_str());
            }
        }
    }
}

TEST(GifOddSizes, WidthsOf32768AndMoreDecodeInFull)
{
    for (const int width : {32767, 32768, 40000, 65535}) {
        GifBytes pixels(std::size_t(width) * 2);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t((i * 7 / 5) & 1);
        GifPicture picture;
        picture.width = width;
        picture.height = 2;
        picture.pixels = pixels;
        picture.palette = TestPalette(2);
        const GifResult result = DecodeGif(EncodeGif(picture));
        ASSERT_TRUE(result.ok);
        ASSERT_EQ(result.image->Width(), width);
        EXPECT_EQ(PictureIndices(*result.image), pixels) << width;
    }
}

TEST(GifOddSizes, SizeCreateRefusesFailsTheLoad)
{
    // 65535 x 65535 at 8 bits is 4 GiB: above what Create allocates.
    GifWriter gif;
    gif.Header(1, 1, TestPalette(256)).ImageDescriptor(0, 0, 65535, 65535);
    gif.Raster(8, LzwEncode(GifBytes(1000, 5), {8})).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.image->IsEmpty());
    EXPECT_STREQ(result.image->LastError(), "Can't allocate memory for GIF image");
}

}  // namespace
}  // namespace kestrel::test
