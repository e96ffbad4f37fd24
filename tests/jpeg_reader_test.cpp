// The JPEG reader on files encoded in the test with libjpeg: greyscale,
// colour and CMYK pictures, row order, truncated data and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/jpeg_image.h"
#include "tests/support/jpeg_test_files.h"
#include "tests/support/decode_bytes.h"

namespace {

using kestrel::test::DecodeFromBytes;
using kestrel::test::JpegRecipe;
using kestrel::test::PixelAt;
using kestrel::test::SeenPixel;
using kestrel::test::WithFrameSize;
using kestrel::test::WriteJpeg;

// Lossy coding at quality 100 over flat 8 x 8 blocks stays this close.
constexpr int TOLERANCE = 3;

JpegRecipe Flat(int width, int height, int components, J_COLOR_SPACE input,
              std::vector<JSAMPLE> pixel)
{
    JpegRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.components = components;
    recipe.input = input;
    for (int i = 0; i < width * height; ++i) recipe.pixels.insert(recipe.pixels.end(), pixel.begin(), pixel.end());
    return recipe;
}

void ExpectColour(const CDibImage& image, int x, int y, int red, int green, int blue)
{
    const SeenPixel got = PixelAt(image, x, y);
    EXPECT_NEAR(got.red, red, TOLERANCE) << "at " << x << "," << y;
    EXPECT_NEAR(got.green, green, TOLERANCE) << "at " << x << "," << y;
    EXPECT_NEAR(got.blue, blue, TOLERANCE) << "at " << x << "," << y;
}

TEST(JpegReader, GreyscaleGivesAnEightBitImageWithAGreyRampBottomUp)
{
    // Top 8 rows bright, bottom 8 rows dark.
    JpegRecipe recipe = Flat(16, 16, 1, JCS_GRAYSCALE, {30});
    std::fill(recipe.pixels.begin(), recipe.pixels.begin() + 16 * 8, JSAMPLE(220));
    CDibImage image(ImageFormat::Jpeg);
    ASSERT_TRUE(DecodeFromBytes(image, WriteJpeg(recipe), ImageFormat::Jpeg)) << image.LastError();
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(image.Height(), 16);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(image.GetPaletteColour(BYTE(i)).rgbGreen, i);
    EXPECT_NEAR(image.GetPixelIndex(3, 15), 220, TOLERANCE);
    EXPECT_NEAR(image.GetPixelIndex(3, 0), 30, TOLERANCE);
    EXPECT_EQ(image.Info().frameCount, 0);
    EXPECT_EQ(image.Info().xDpi, 72);
}

TEST(JpegReader, ColourGivesBlueGreenRedWithTheFirstPixelInTheLastRow)
{
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        // Top-left block red, top-right green, bottom half blue.
        JpegRecipe recipe = Flat(16, 16, 3, JCS_RGB, {0, 0, 255});
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                JSAMPLE* p = &recipe.pixels[(std::size_t(y) * 16 + x) * 3];
                p[0] = x < 8 ? 255 : 0;
                p[1] = x < 8 ? 0 : 255;
                p[2] = 0;
            }
        }
        recipe.progressive = progressive;
        CDibImage image(ImageFormat::Jpeg);
        ASSERT_TRUE(DecodeFromBytes(image, WriteJpeg(recipe), ImageFormat::Jpeg)) << image.LastError();
        EXPECT_EQ(image.BitCount(), 24);
        EXPECT_EQ(image.GetPalette(), nullptr);
        const BYTE* firstStored = image.Info().pixels + std::size_t(15) * image.Info().stride;
        EXPECT_NEAR(firstStored[0], 0, TOLERANCE);    // blue
        EXPECT_NEAR(firstStored[2], 255, TOLERANCE);  // red
        ExpectColour(image, 12, 12, 0, 255, 0);
        ExpectColour(image, 4, 3, 0, 0, 255);
    }
}

TEST(JpegReader, CmykIsMultipliedByItsFourthByte)
{
    for (const J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(stored);
        // Three 8 x 8 blocks side by side.
        JpegRecipe recipe = Flat(24, 8, 4, JCS_CMYK, {0, 0, 0, 0});
        recipe.stored = stored;
        const JSAMPLE blocks[3][4] = {{255, 0, 0, 255}, {100, 150, 200, 255}, {90, 180, 250, 0}};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 24; ++x)
                std::memcpy(&recipe.pixels[(std::size_t(y) * 24 + x) * 4], blocks[x / 8], 4);
        CDibImage image(ImageFormat::Jpeg);
        ASSERT_TRUE(DecodeFromBytes(image, WriteJpeg(recipe), ImageFormat::Jpeg)) << image.LastError();
        EXPECT_EQ(image.BitCount(), 24);
        ExpectColour(image, 3, 3, 255, 0, 0);
        ExpectColour(image, 11, 3, 100, 150, 200);
        ExpectColour(image, 19, 3, 0, 0, 0);
    }
}

TEST(JpegReader, TruncatedScanDataStillLoadsTheWholePicture)
{
    JpegRecipe recipe = Flat(64, 64, 3, JCS_RGB, {0, 0, 0});
    for (std::size_t i = 0; i < recipe.pixels.size(); ++i) recipe.pixels[i] = JSAMPLE(i * 7919 % 251);
    std::string file = WriteJpeg(recipe);
    file.resize(file.size() / 2);
    CDibImage image(ImageFormat::Jpeg);
    EXPECT_TRUE(DecodeFromBytes(image, file, ImageFormat::Jpeg)) << image.LastError();
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(image.Height(), 64);
    EXPECT_STREQ(image.LastError(), "");
}

TEST(JpegReader, FilesThatAreNotJpegFailWithLibjpegsMessage)
{
    CDibImage image(ImageFormat::Jpeg);
    EXPECT_FALSE(DecodeFromBytes(image, "GIF89a this is no JPEG", ImageFormat::Jpeg));
    EXPECT_STREQ(image.LastError(), "Not a JPEG file: starts with 0x47 0x49");
    EXPECT_TRUE(image.IsEmpty());

    EXPECT_FALSE(DecodeFromBytes(image, "", ImageFormat::Jpeg));
    EXPECT_STREQ(image.LastError(), "Empty input file");

    // Cut inside the header: libjpeg finds no image.
    const std::string file = WriteJpeg(Flat(8, 8, 1, JCS_GRAYSCALE, {5}));
    EXPECT_FALSE(DecodeFromBytes(image, file.substr(0, 30), ImageFormat::Jpeg));
    EXPECT_NE(image.LastError()[0], '\0');
    EXPECT_TRUE(image.IsEmpty());
}

TEST(JpegReader, HugeClaimedSizesFailWithoutTakingTheMemory)
{
    // Baseline: only the image would be huge.
    const std::string baseline = WriteJpeg(Flat(16, 16, 1, JCS_GRAYSCALE, {9}));
    CDibImage image(ImageFormat::Jpeg);
    EXPECT_FALSE(DecodeFromBytes(image, WithFrameSize(baseline, 65000, 65000), ImageFormat::Jpeg));
    EXPECT_STREQ(image.LastError(), "Can't allocate memory for JPEG image");

    // Progressive: libjpeg would buffer every coefficient of the picture
    // before the first row comes out; its working memory is capped.
    JpegRecipe recipe = Flat(16, 16, 3, JCS_RGB, {1, 2, 3});
    recipe.progressive = true;
    CDibImage progressive(ImageFormat::Jpeg);
    EXPECT_FALSE(DecodeFromBytes(progressive, WithFrameSize(WriteJpeg(recipe), 65000, 65000), ImageFormat::Jpeg));
    EXPECT_NE(progressive.LastError()[0], '\0');
    EXPECT_TRUE(progressive.IsEmpty());
}

// The file with its last scan repeated until it holds `scans` scans. The
// entropy-coded data never holds FF DA (an FF there is followed by 00).
std::string WithRepeatedLastScan(const std::string& jpeg, int scans)
{
    const std::string sos = "\xFF\xDA";
    int found = 0;
    std::size_t last = 0;
    for (std::size_t at = jpeg.find(sos); at != std::string::npos; at = jpeg.find(sos, at + 2), ++found) last = at;
    const std::size_t end = jpeg.rfind("\xFF\xD9");
    const std::string scan = jpeg.substr(last, end - last);
    std::string out = jpeg.substr(0, end);
    for (int i = found; i < scans; ++i) out += scan;
    return out + "\xFF\xD9";
}

TEST(JpegReader, AThousandScansFailWithAMessageInsteadOfTakingSeconds)
{
    // A 4096 x 4096 progressive picture in 11 KB: every scan is a pass over
    // all of it, whatever little data it holds.
    JpegRecipe recipe = Flat(16, 16, 1, JCS_GRAYSCALE, {77});
    recipe.progressive = true;
    const std::string file = WithRepeatedLastScan(WithFrameSize(WriteJpeg(recipe), 4096, 4096), 1000);
    CDibImage image(ImageFormat::Jpeg);
    EXPECT_FALSE(DecodeFromBytes(image, file, ImageFormat::Jpeg));
    EXPECT_STREQ(image.LastError(), "Too many scans in JPEG file");
    EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
