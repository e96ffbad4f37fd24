#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/external_decoders.h"
#include "tests/support/tga_builder.h"

namespace {

using kestrel::test::RunConvert;
using kestrel::test::Tool;
using kestrel::test::ToolFile;

// Image type (byte 2) and pixel depth and descriptor (bytes 16-17).
std::vector<std::pair<std::size_t, std::string>> Layout(char type, char depth, char descriptor)
{
    return {{2, std::string(1, type)}, {16, std::string{depth, descriptor}}};
}

TEST(TgaRealFiles, EachVariantAgreesWithTheToolThatWroteIt)
{
    ToolFile withAlpha{"32 bits with alpha", Tool::ImageMagick, "TGA:", Layout(2, 32, 8), true};
    withAlpha.compareAlpha = true;
    ToolFile withAlphaRle = withAlpha;
    withAlphaRle.variant = "run-length 32 bits with alpha";
    withAlphaRle.write = "-compress RLE TGA:";
    withAlphaRle.expect = Layout(10, 32, 8);
    ToolFile topDownAlphaRle{"top-down run-length 32 bits", Tool::Pillow,
                             "im.save(out, 'TGA', orientation=1, rle=True)", Layout(10, 32, 0x28), true};
    topDownAlphaRle.compareAlpha = true;
    ToolFile greyAlpha{"grey with alpha", Tool::Pillow, "im.convert('LA').save(out, 'TGA')", Layout(3, 16, 8), true};
    greyAlpha.compareAlpha = true;
    ToolFile greyAlphaRle = greyAlpha;
    greyAlphaRle.variant = "run-length grey with alpha";
    greyAlphaRle.write = "im.convert('LA').save(out, 'TGA', rle=True)";
    greyAlphaRle.expect = Layout(11, 16, 8);

    const std::vector<ToolFile> files = {
        {"colour-mapped", Tool::ImageMagick, "-alpha off -type palette TGA:", Layout(1, 8, 0)},
        {"run-length colour-mapped", Tool::ImageMagick, "-alpha off -type palette -compress RLE TGA:",
         Layout(9, 8, 0)},
        {"24 bits", Tool::ImageMagick, "-alpha off -type truecolor TGA:", Layout(2, 24, 0)},
        {"run-length 24 bits", Tool::ImageMagick, "-alpha off -type truecolor -compress RLE TGA:",
         Layout(10, 24, 0)},
        {"grey", Tool::ImageMagick, "-alpha off -type grayscale TGA:", Layout(3, 8, 0)},
        {"run-length grey", Tool::ImageMagick, "-alpha off -type grayscale -compress RLE TGA:", Layout(11, 8, 0)},
        withAlpha,
        withAlphaRle,
        {"top-down 24 bits", Tool::Pillow, "im.save(out, 'TGA', orientation=1)", Layout(2, 24, 0x20)},
        {"top-down colour-mapped", Tool::Pillow, "im.convert('P').save(out, 'TGA', orientation=1)",
         Layout(1, 8, 0x20)},
        topDownAlphaRle,
        greyAlpha,
        greyAlphaRle,
    };
    const auto outcome = kestrel::test::CheckToolFiles(files, ImageFormat::Tga);
    for (const std::string& failure : outcome.failures) ADD_FAILURE() << failure;
    if (!outcome.skipped.empty())
        GTEST_SKIP() << outcome.skipped.size() << " variants skipped: ImageMagick or Pillow is not installed";
}

TEST(TgaRealFiles, KestrelConvertReadsThemWithFormatTga)
{
    kestrel::test::TgaRecipe r;
    r.width = 2;
    r.height = 1;
    r.depth = 32;
    r.descriptor = 8;
    r.data = std::string(8, '\x40');
    const auto run = RunConvert(KESTREL_CONVERT_PATH, "--format tga --info", kestrel::test::BuildTga(r));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(R"("ok":true,"width":2,"height":1,"bitCount":24)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(R"("hasAlpha":true)"), std::string::npos) << run.output;
    r.imageType = 32;
    const auto failed = RunConvert(KESTREL_CONVERT_PATH, "--format tga --info", kestrel::test::BuildTga(r));
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find(R"("lastError":"Unknown TGA image type")"), std::string::npos) << failed.output;
}

}  // namespace
