#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/byte_builder.h"
#include "tests/support/external_decoders.h"

namespace {

using kestrel::test::BmpRecipe;
using kestrel::test::ByteBuilder;
using kestrel::test::RunConvert;
using kestrel::test::Tool;
using kestrel::test::ToolFile;

// Bit count and compression, bytes 28-33 of a file with a Windows header.
std::pair<std::size_t, std::string> Depth(unsigned bits, unsigned compression)
{
    return {28, ByteBuilder().U16(bits).U32(compression).Str()};
}
std::pair<std::size_t, std::string> HeaderSize(unsigned size) { return {14, ByteBuilder().U32(size).Str()}; }

const std::vector<ToolFile>& BmpToolFiles()
{
    static const std::vector<ToolFile> files = {
        {"1 bit", Tool::ImageMagick, "-alpha off -colors 2 -type palette -compress None BMP3:", {Depth(1, 0)}},
        {"4 bits", Tool::ImageMagick, "-alpha off -colors 16 -type palette -compress None BMP3:", {Depth(4, 0)}},
        {"8 bits", Tool::ImageMagick, "-alpha off -type palette -compress None BMP3:", {Depth(8, 0)}},
        {"run-length 8", Tool::ImageMagick, "-alpha off -type palette -compress RLE BMP3:", {Depth(8, 1)}},
        {"24 bits", Tool::ImageMagick, "-alpha off -type truecolor BMP3:", {Depth(24, 0)}},
        {"32 bits plain", Tool::ImageMagick, "-define bmp3:alpha=true BMP3:", {Depth(32, 0)}, true},
        {"16 bits 5-6-5", Tool::ImageMagick, "-alpha off -define bmp:subtype=RGB565 BMP:", {Depth(16, 3)}, false,
         0, 5},
        {"16 bits 5-5-5 masks", Tool::ImageMagick, "-alpha off -define bmp:subtype=RGB555 BMP:", {Depth(16, 3)},
         false, 0, 5},
        {"32 bits with alpha, 124-byte header", Tool::ImageMagick, "BMP:", {HeaderSize(124), Depth(32, 3)}, true, 0,
         8, true},
        {"8 bits, 124-byte header", Tool::ImageMagick, "-alpha off -type palette -compress None BMP:",
         {HeaderSize(124), Depth(8, 0)}},
        {"OS/2 8 bits", Tool::ImageMagick, "-alpha off -type palette BMP2:", {HeaderSize(12)}},
        {"OS/2 24 bits", Tool::ImageMagick, "-alpha off -type truecolor BMP2:", {HeaderSize(12)}},
        {"Pillow 8 bits", Tool::Pillow, "im.convert('P').save(out, 'BMP')", {Depth(8, 0)}},
    };
    return files;
}

TEST(BmpRealFiles, EachVariantAgreesWithTheToolThatWroteIt)
{
    const auto outcome = kestrel::test::CheckToolFiles(BmpToolFiles(), ImageFormat::Bmp);
    for (const std::string& failure : outcome.failures) ADD_FAILURE() << failure;
    if (!outcome.skipped.empty())
        GTEST_SKIP() << outcome.skipped.size() << " variants skipped: ImageMagick or Pillow is not installed";
}

TEST(BmpRealFiles, KestrelConvertReadsThemWithFormatBmp)
{
    BmpRecipe r;
    r.width = 5;
    r.height = 3;
    r.bitCount = 16;
    r.pixels = std::string(24, '\x11');
    const auto run = RunConvert(KESTREL_CONVERT_PATH, "--format bmp --info", kestrel::test::BuildBmp(r));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(R"("ok":true,"width":5,"height":3,"bitCount":24)"), std::string::npos) << run.output;
    const auto failed = RunConvert(KESTREL_CONVERT_PATH, "--format bmp --info", "BM");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find(R"("lastError":"Not a BMP")"), std::string::npos) << failed.output;
}

}  // namespace
