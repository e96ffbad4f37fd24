// The GIF reader's LZW decoder and line placement: clear and end codes, codes
// not yet in the table, a full table, data that ends early, interlacing and
// lines beyond the image.
#include <gtest/gtest.h>

#include <random>

#include "tests/gif_test_helpers.h"

namespace kestrel::test {
namespace {

// A file holding one image of the given size whose raster is `codes`.
GifBytes WithCodes(int width, int height, int colours, const GifBytes& codes, bool interlaced = false,
                   int minCodeSize = 2, int blockSize = 255, bool terminator = true)
{
    GifWriter gif;
    gif.Header(width, height, TestPalette(colours)).ImageDescriptor(0, 0, width, height, interlaced);
    gif.Raster(minCodeSize, codes, blockSize, terminator).Trailer();
    return gif.Data();
}

GifBytes Noise(std::size_t count, int colours, unsigned seed)
{
    std::mt19937 random(seed);
    GifBytes pixels(count);
    for (auto& pixel : pixels) pixel = std::uint8_t(random() % unsigned(colours));
    return pixels;
}

// Pixels with long runs and repeats, which give long table strings.
GifBytes Smooth(int width, int height, int colours)
{
    GifBytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(std::uint8_t(((x / 7) ^ (y / 5)) % colours));
    return pixels;
}

TEST(GifLzw, StandardStreamsDecodeExactly)
{
    for (const int colours : {2, 4, 16, 256}) {
        for (const auto& pixels : {Noise(61 * 47, colours, 1), Smooth(61, 47, colours)}) {
            GifPicture picture{61, 47, pixels, TestPalette(colours)};
            const GifResult result = DecodeGif(EncodeGif(picture));
            ASSERT_TRUE(result.ok);
            EXPECT_EQ(PictureIndices(*result.image), pixels) << colours;
        }
    }
}

TEST(GifLzw, CodeEqualToTheNextSlotRepeatsThePreviousStringAndItsFirstByte)
{
    LzwCodeWriter codes(2);
    codes.Clear().Code(1).Code(6).Code(7).End();
    const GifResult result = DecodeGif(WithCodes(6, 1, 4, codes.Finish()));
    ASSERT_TRUE(result.ok);
    // 1 | 1 1 | 1 1 1: slot 6 = "1 1", slot 7 = "1 1 1".
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{1, 1, 1, 1, 1, 1}));
}

TEST(GifLzw, FirstCodeAfterAClearThatIsNotInTheTableIsTakenAsZero)
{
    LzwCodeWriter codes(2);
    codes.Clear().Code(7).Code(2).Code(3).End();
    const GifResult result = DecodeGif(WithCodes(3, 1, 4, codes.Finish()));
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{0, 2, 3}));
    ExpectSameAsReference(WithCodes(3, 1, 4, codes.Finish()));
}

TEST(GifLzw, CodeAboveTheNextSlotIsDecodedAsTheNextSlot)
{
    // After 2 the next slot is 6; 7 lies beyond it and is read as 6 = "2 2".
    LzwCodeWriter codes(2);
    codes.Clear().Code(2).Code(7).Code(1).End();
    const GifBytes file = WithCodes(4, 1, 4, codes.Finish());
    const GifResult result = DecodeGif(file);
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{2, 2, 2, 1}));
    ExpectSameAsReference(file);
}

TEST(GifLzw, CodesAboveTheNextSlotKeepDecodingFromTheTable)
{
    // After such a code the table names it as a prefix, so later strings are
    // spelled out from the table until the next clear code.
    LzwCodeWriter codes(2);
    codes.Clear().Code(2).Code(7).Code(7).Code(6).Code(8).Code(1).Code(9);
    codes.Clear().Code(3).Code(6).Code(6).End();
    ExpectSameAsReference(WithCodes(7, 5, 4, codes.Finish()), "after a code beyond the slot");
}

TEST(GifLzw, PrefixLoopStopsTheDecoderKeepingTheLinesCompletedBeforeIt)
{
    // 10 comes above the next slot 8, and 9 right after it, so slot 9 takes
    // 10 as its prefix and slot 10 takes 9: expanding 9 never ends.
    LzwCodeWriter codes(2);
    codes.Clear().Code(1).Code(2).Code(3).Code(10).Code(9).Code(1).Code(9).Code(2).Code(3).End();
    const GifBytes file = WithCodes(4, 4, 4, codes.Finish());
    const GifResult result = DecodeGif(file);
    ASSERT_TRUE(result.ok);
    // 1 | 2 | 3 | 3 3 | 0 0 3 | 1 fill two lines; the started third line and
    // everything after the loop stay 0.
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{1, 2, 3, 3, 3, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0}));
    ExpectSameAsReference(file, "prefix loop");
}

// The code that makes the codes a bit wider may also be the one that ends a
// line: both take effect. Codes 0, 258, ..., 511 give runs of 1, 2, ..., 255
// zeros, whose end (32640 pixels) is the end of the fourth line; 10-bit codes
// then spell a line of ones.
TEST(GifLzw, CodeThatWidensTheCodesAtALineEndKeepsTheWiderCodes)
{
    LzwCodeWriter codes(8);
    codes.Clear().Code(0);
    for (int code = 258; code <= 511; ++code) codes.Code(code);
    codes.Code(1);
    for (int code = 513; code < 640; ++code) codes.Code(code);
    codes.End();
    const GifBytes file = WithCodes(8160, 5, 256, codes.Finish(), false, 8);
    const GifResult result = DecodeGif(file);
    ASSERT_TRUE(result.ok);
    GifBytes expected(8160 * 5, 0);
    std::fill(expected.begin() + 8160 * 4, expected.end(), 1);
    EXPECT_EQ(PictureIndices(*result.image), expected);
}

TEST(GifLzw, DeferredClearKeepsDecodingAt12Bits)
{
    for (const int colours : {4, 256}) {
        // Noise fills the 4096-entry table early; the encoder then goes on
        // with the table as it is.
        GifPicture picture{199, 101, Noise(199 * 101, colours, 7), TestPalette(colours)};
        picture.lzw = LzwOptions{0, true, true, GifTableFull::Defer};
        const GifBytes file = EncodeGif(picture);
        const GifResult result = DecodeGif(file);
        EXPECT_EQ(PictureIndices(*result.image), picture.pixels) << colours;
        ExpectSameAsReference(file);
    }
}

TEST(GifLzw, ClearWhenFullAndRepeatedClearsDecodeExactly)
{
    GifPicture picture{300, 90, Noise(300 * 90, 256, 9), TestPalette(256)};
    const GifResult result = DecodeGif(EncodeGif(picture));
    EXPECT_EQ(PictureIndices(*result.image), picture.pixels);

    LzwCodeWriter codes(2);
    codes.Clear().Clear().Clear().Code(1).Code(2).Clear().Clear().Code(3).Code(6).End();
    const GifResult cleared = DecodeGif(WithCodes(5, 1, 4, codes.Finish()));
    EXPECT_EQ(PictureIndices(*cleared.image), (GifBytes{1, 2, 3, 3, 3}));
}

TEST(GifLzw, StreamWithoutALeadingClearDecodes)
{
    GifPicture picture{40, 30, Smooth(40, 30, 16), TestPalette(16)};
    picture.lzw = LzwOptions{0, false};
    const GifResult result = DecodeGif(EncodeGif(picture));
    EXPECT_EQ(PictureIndices(*result.image), picture.pixels);
}

TEST(GifLzw, ClearFollowedByEndCodeStops)
{
    LzwCodeWriter codes(2);
    codes.Clear().Code(1).Code(2).Clear().End().Code(3).Code(3);
    const GifResult result = DecodeGif(WithCodes(4, 1, 4, codes.Finish()));
    EXPECT_EQ(PictureIndices(*result.image), (GifBytes{1, 2, 0, 0}));
}

TEST(GifLzw, MinimumCodeSizeOutside2To9DecodesNothing)
{
    for (const int minCodeSize : {0, 1, 10, 11, 255}) {
        const GifBytes file = WithCodes(4, 2, 4, GifBytes(20, 0x55), false, minCodeSize);
        const GifResult result = DecodeGif(file);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(PictureIndices(*result.image), GifBytes(8, 0)) << minCodeSize;
    }
}

TEST(GifLzw, MinimumCodeSize9TruncatesLiteralsToBytes)
{
    LzwCodeWriter codes(9);
    codes.Clear().Code(300).Code(5).Code(511).End();
    const GifBytes file = WithCodes(3, 1, 256, codes.Finish(), false, 9);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), (GifBytes{300 & 255, 5, 255}));
    ExpectSameAsReference(file);
}

TEST(GifLzw, LiteralsWiderThanTheDepthAreMaskedWhenPacked)
{
    LzwCodeWriter codes(3);
    codes.Clear().Code(5).Code(6).Code(7).Code(1).End();
    const GifBytes file = WithCodes(4, 1, 2, codes.Finish(), false, 3);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), (GifBytes{1, 0, 1, 1}));
    ExpectSameAsReference(file);
}

// Data that ends early.

TEST(GifLzwEnd, MissingEndCodeStopsAtTheTerminator)
{
    GifPicture picture{10, 6, Smooth(10, 6, 4), TestPalette(4)};
    picture.lzw = LzwOptions{0, true, false};
    EXPECT_EQ(PictureIndices(*DecodeGif(EncodeGif(picture)).image), picture.pixels);

    // Only 25 pixels: two full lines and half a line stay, the rest is 0.
    const GifBytes part(picture.pixels.begin(), picture.pixels.begin() + 25);
    const GifBytes file = WithCodes(10, 6, 4, LzwEncode(part, {2, true, false}));
    GifBytes expected = part;
    expected.resize(60, 0);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), expected);
    ExpectSameAsReference(file);
}

TEST(GifLzwEnd, PartialLineAtTheEndCodeIsStoredAsFarAsItGot)
{
    for (const int colours : {2, 16, 256}) {
        const GifBytes pixels = Noise(23, colours, 3);
        const GifBytes file = WithCodes(10, 3, colours, LzwEncode(pixels, {GifMinCodeSize(colours)}), false,
                                        GifMinCodeSize(colours));
        GifBytes expected = pixels;
        expected.resize(30, 0);
        EXPECT_EQ(PictureIndices(*DecodeGif(file).image), expected) << colours;
    }
}

TEST(GifLzwEnd, FileEndingInsideTheRasterKeepsOnlyCompleteLines)
{
    const GifBytes pixels = Smooth(16, 16, 256);
    const GifBytes codes = LzwEncode(pixels, {8});
    GifWriter gif;
    gif.Header(16, 16, TestPalette(256)).ImageDescriptor(0, 0, 16, 16);
    const std::size_t start = gif.Size();
    gif.Raster(8, codes, 20).Trailer();
    for (std::size_t length = start; length <= gif.Size(); ++length) {
        const GifResult result = DecodeGif(gif.Truncated(length));
        ASSERT_TRUE(result.ok);
        const GifBytes seen = PictureIndices(*result.image);
        // Every line is either all decoded or all 0.
        std::size_t lines = 0;
        while (lines < 16 && std::equal(seen.begin() + long(lines * 16), seen.begin() + long(lines * 16 + 16),
                                        pixels.begin() + long(lines * 16)))
            ++lines;
        for (std::size_t i = lines * 16; i < seen.size(); ++i) ASSERT_EQ(seen[i], 0) << length << " " << i;
        ExpectSameAsReference(gif.Truncated(length));
    }
}

TEST(GifLzwEnd, TerminatorInsideACodeEndsTheDataWithoutUsingUnreadBits)
{
    // The clear code and 1 take 6 of the first byte's bits; code 2 runs into
    // the second byte, which the terminator cuts off, so the data ends after 1.
    LzwCodeWriter codes(2);
    codes.Clear().Code(1).Code(2).Code(3).Code(3).End();
    GifBytes bytes = codes.Finish();
    bytes.resize(1);
    const GifBytes file = WithCodes(4, 1, 4, bytes);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), (GifBytes{1, 0, 0, 0}));
    ExpectSameAsReference(file);
}

TEST(GifLzwEnd, EmptyOrMissingRasterLeavesZeroRows)
{
    GifWriter none;
    none.Header(3, 2, TestPalette(4)).ImageDescriptor(0, 0, 3, 2).Raster(2, {}).Trailer();
    EXPECT_EQ(PictureIndices(*DecodeGif(none.Data()).image), GifBytes(6, 0));
    GifWriter cut;
    cut.Header(3, 2, TestPalette(4)).ImageDescriptor(0, 0, 3, 2).Byte(2);
    EXPECT_EQ(PictureIndices(*DecodeGif(cut.Data()).image), GifBytes(6, 0));
}

TEST(GifLzwEnd, SubBlockSizesDoNotMatter)
{
    const GifBytes pixels = Noise(33 * 17, 16, 4);
    for (const int blockSize : {1, 2, 3, 7, 254, 255}) {
        const GifBytes file = WithCodes(33, 17, 16, LzwEncode(pixels, {4}), false, 4, blockSize);
        EXPECT_EQ(PictureIndices(*DecodeGif(file).image), pixels) << blockSize;
    }
}

// Lines and rows.

TEST(GifLines, ExtraLinesBelowANonInterlacedImageAreIgnored)
{
    const GifBytes pixels = Smooth(9, 8, 16);
    const GifBytes top(pixels.begin(), pixels.begin() + 9 * 5);
    const GifBytes file = WithCodes(9, 5, 16, LzwEncode(pixels, {4}), false, 4);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), top);
    ExpectSameAsReference(file);
}

class GifInterlaceHeight : public ::testing::TestWithParam<int> {};

TEST_P(GifInterlaceHeight, FillsEveryRowOnceInGif89aOrder)
{
    const int height = GetParam();
    for (const int colours : {2, 16, 256}) {
        GifPicture picture{13, height, Noise(std::size_t(13 * height), colours, unsigned(height)),
                           TestPalette(colours)};
        picture.interlaced = true;
        const GifResult result = DecodeGif(EncodeGif(picture));
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(PictureIndices(*result.image), picture.pixels) << height << " " << colours;
    }
}

INSTANTIATE_TEST_SUITE_P(Heights, GifInterlaceHeight, ::testing::Values(1, 2, 3, 4, 5, 8, 9, 16, 17, 100));

TEST(GifLines, InterlacedLinesAfterTheFourthPassRunFromTheTopAgainThenStayOnTheTopRow)
{
    // Height 3: passes put lines 0, 1, 2 on rows 0, 2, 1; lines 3, 4, 5 then
    // go to rows 0, 1, 2, and every later line to row 0.
    GifBytes lines;
    for (int line = 0; line < 8; ++line) lines.insert(lines.end(), 2, std::uint8_t(line));
    const GifBytes file = WithCodes(2, 3, 16, LzwEncode(lines, {4}), true, 4);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), (GifBytes{7, 7, 4, 4, 5, 5}));
    ExpectSameAsReference(file);
}

TEST(GifLines, InterlacedPartialLineGoesToItsPassRow)
{
    GifBytes lines = {1, 1, 1, 2, 2};
    const GifBytes file = WithCodes(3, 5, 4, LzwEncode(lines, {2}), true);
    EXPECT_EQ(PictureIndices(*DecodeGif(file).image), (GifBytes{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0}));
}

// Random code streams: valid and invalid codes at the widths the decoder
// reads, clears, early ends. The reader gives exactly what the plain
// reference decoder gives.
TEST(GifLzwRandom, RandomCodeStreamsMatchThePlainDecoder)
{
    std::mt19937 random(20240601);
    for (int round = 0; round < 300; ++round) {
        const int minCodeSize = 2 + int(random() % 8);
        const int colours = 1 << std::min(minCodeSize, 8);
        LzwCodeWriter codes(minCodeSize);
        if (random() % 4) codes.Clear();
        const int count = int(random() % 3000);
        for (int i = 0; i < count; ++i) {
            const unsigned pick = random() % 100;
            if (pick < 2) {
                codes.Clear();
            } else if (pick < 70) {
                codes.Code(int(random() % unsigned(std::max(codes.NextSlot(), 1))));  // in the table
            } else if (pick < 80) {
                codes.Code(codes.NextSlot());
            } else {
                codes.Code(int(random() % unsigned(1 << codes.CodeSize())));  // anything, even beyond
            }
        }
        if (random() % 2) codes.End();
        const int width = 1 + int(random() % 70);
        const int height = 1 + int(random() % 40);
        const bool interlaced = random() % 2;
        const GifBytes file =
            WithCodes(width, height, colours, codes.Finish(), interlaced, minCodeSize, 1 + int(random() % 255));
        ExpectSameAsReference(file, ("round " + std::to_string(round)).c_str());
        if (HasFatalFailure()) return;
    }
}

// Streams of many times the bytes the reader stages at once, in sub-blocks
// of every size and at every minimum code size, so codes of every width are
// cut at staging boundaries at every bit offset.
TEST(GifLzwRandom, StreamsLongerThanOneStagingMatchThePlainDecoder)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 8; ++round) {
        const int minCodeSize = 2 + round;
        LzwCodeWriter codes(minCodeSize);
        codes.Clear();
        for (int i = 0; i < 60000; ++i) {
            if (random() % 5000 == 0) codes.Clear();
            // Anything in the table or the slot being made, but the clear
            // and end codes.
            const int code = int(random() % unsigned(std::min(codes.NextSlot(), 4095) + 1));
            codes.Code(code == codes.ClearCode() || code == codes.EndCode() ? 0 : code);
        }
        codes.End();
        const GifBytes file = WithCodes(300, 600, 1 << std::min(minCodeSize, 8), codes.Finish(), round % 2,
                                        minCodeSize, 1 + int(random() % 255));
        ExpectSameAsReference(file, ("round " + std::to_string(round)).c_str());
        if (HasFatalFailure()) return;
    }
}

// Entries made before a clear code stay in the table until they are made
// again, and a broken chain after the clear can reach them: a long run fills
// the table far, then up to two short runs, each after a clear, then codes
// above the next free slot. The chain may reach entries of every run.
TEST(GifLzwRandom, BrokenChainsAfterAClearMatchThePlainDecoder)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 60; ++round) {
        LzwCodeWriter codes(8);
        codes.Clear();
        // Short later runs leave the long run's entries within reach of the
        // narrow codes after the last clear.
        int before = 500 + int(random() % 3500);
        for (int run = round % 3; run >= 0; --run) {
            for (int i = 0; i < before; ++i) {
                const int code = int(random() % unsigned(codes.NextSlot()));
                codes.Code(code == codes.ClearCode() || code == codes.EndCode() ? 0 : code);  // the run goes on
            }
            codes.Clear();
            before = 1 + int(random() % 200);
        }
        for (int i = 0; i < 200; ++i) {
            const int code = random() % 3 ? int(random() % unsigned(1 << codes.CodeSize()))
                                          : int(random() % unsigned(codes.NextSlot()));
            codes.Code(code == codes.EndCode() ? 0 : code);
        }
        codes.End();
        const GifBytes file = WithCodes(64, 4000, 256, codes.Finish(), false, 8, 255);
        ExpectSameAsReference(file, ("round " + std::to_string(round)).c_str());
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace kestrel::test

namespace kestrel::test {
namespace {

// A picture larger than the pixels the reader keeps for copying strings from
// (64 Mi): without clear codes it runs out of room and spells the last codes
// out from the table instead, with the same result.
TEST(GifLzwLarge, ImageBeyondTheKeptPixelsDecodesExactlyToTheEnd)
{
    const int width = 8192, height = 8300;
    // Codes 0, 6, 7, ..., 4095 give runs of 1, 2, ..., 4091 zeros and fill the
    // table; then 4095 and 1 alternate: 4091 zeros and a one, over and over.
    LzwCodeWriter codes(2);
    codes.Clear().Code(0);
    for (int code = 6; code < 4096; ++code) codes.Code(code);
    const std::size_t filled = std::size_t(4091) * 4092 / 2;
    const std::size_t total = std::size_t(width) * height;
    for (std::size_t done = filled; done < total; done += 4092) codes.Code(4095).Code(1);
    codes.End();

    GifWriter gif;
    gif.Header(width, height, TestPalette(2)).ImageDescriptor(0, 0, width, height);
    gif.Raster(2, codes.Finish()).Trailer();
    const GifResult result = DecodeGif(gif.Data());
    ASSERT_TRUE(result.ok);
    const CDibImage& image = *result.image;
    ASSERT_EQ(image.BitCount(), 1);

    auto expected = [&](std::size_t at) { return at >= filled && (at - filled) % 4092 == 4091 ? 1 : 0; };
    const int stride = image.Info().stride;
    for (int row : {0, 1, 1000, 8190, 8191, 8192, 8250, 8298, 8299}) {
        const BYTE* bits = image.Info().pixels + std::size_t(height - 1 - row) * std::size_t(stride);
        for (int x = 0; x < width; ++x) {
            const int seen = (bits[x / 8] >> (7 - x % 8)) & 1;
            ASSERT_EQ(seen, expected(std::size_t(row) * width + std::size_t(x))) << "row " << row << " x " << x;
        }
    }
}

}  // namespace
}  // namespace kestrel::test
