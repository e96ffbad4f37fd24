#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/external_decoders.h"
#include "tests/support/pcx_builder.h"

namespace {

using kestrel::test::RunConvert;
using kestrel::test::Tool;
using kestrel::test::ToolFile;

// Bits per pixel (byte 3) and planes (byte 65).
std::vector<std::pair<std::size_t, std::string>> Layout(char bits, char planes)
{
    return {{3, std::string(1, bits)}, {65, std::string(1, planes)}};
}

TEST(PcxRealFiles, EachVariantAgreesWithTheToolThatWroteIt)
{
    const std::vector<ToolFile> files = {
        {"8 bits with its table", Tool::ImageMagick, "-alpha off -type palette PCX:", Layout(8, 1)},
        {"24 bits in 3 planes", Tool::ImageMagick, "-alpha off -type truecolor PCX:", Layout(8, 3)},
        {"monochrome", Tool::Pillow, "im.convert('1').save(out, 'PCX')", Layout(1, 1)},
        {"Pillow 24 bits", Tool::Pillow, "im.save(out, 'PCX')", Layout(8, 3)},
    };
    const auto outcome = kestrel::test::CheckToolFiles(files, ImageFormat::Pcx);
    for (const std::string& failure : outcome.failures) ADD_FAILURE() << failure;
    if (!outcome.skipped.empty())
        GTEST_SKIP() << outcome.skipped.size() << " variants skipped: ImageMagick or Pillow is not installed";
}

TEST(PcxRealFiles, KestrelConvertReadsThemWithFormatPcx)
{
    kestrel::test::PcxRecipe r;
    r.bitsPerPixel = 1;
    r.planes = 4;
    r.xmax = 7;
    r.ymax = 1;
    r.bytesPerLine = 1;
    r.data = std::string(8, '\x55');
    const auto run = RunConvert(KESTREL_CONVERT_PATH, "--format pcx --info", kestrel::test::BuildPcx(r));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(R"("ok":true,"width":8,"height":2,"bitCount":4)"), std::string::npos) << run.output;
    r.manufacturer = 5;
    const auto failed = RunConvert(KESTREL_CONVERT_PATH, "--format pcx --info", kestrel::test::BuildPcx(r));
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find(R"("lastError":"Error: Not a PCX file")"), std::string::npos) << failed.output;
}

}  // namespace
