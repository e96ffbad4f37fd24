#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"
#include "tests/support/external_decoders.h"
#include "tests/support/ico_builder.h"

namespace {

using kestrel::test::RunConvert;
using kestrel::test::Tool;
using kestrel::test::ToolFile;

// Directory entry fields of the first image: colour count (byte 8) and bit
// count (bytes 12-13).
std::vector<std::pair<std::size_t, std::string>> Entry(char colours, char bits)
{
    return {{8, std::string(1, colours)}, {12, std::string{bits, 0}}};
}
const std::pair<std::size_t, std::string> PNG_AT_22{22, "\x89PNG"};

TEST(IcoRealFiles, EachVariantAgreesWithTheToolThatWroteIt)
{
    ToolFile rgba{"32 bits", Tool::ImageMagick, "ICO:", Entry(0, 32), true};
    rgba.compareAlpha = true;
    ToolFile png{"PNG entry", Tool::ImageMagick, "-resize 256x256! ICO:", {PNG_AT_22}, true};
    png.compareAlpha = true;
    // The first image is the 32-bit one, the second 4 bits.
    ToolFile second{"second of two images", Tool::ImageMagick,
                    "'(' +clone -alpha off -colors 16 -type palette ')' ICO:", Entry(0, 32), true, 1};
    ToolFile pillowPng{"Pillow PNG entry", Tool::Pillow, "im.save(out, 'ICO', sizes=[im.size])", {PNG_AT_22}, true};
    pillowPng.compareAlpha = true;
    ToolFile pillowBmp{"Pillow 32 bits", Tool::Pillow, "im.save(out, 'ICO', sizes=[im.size], bitmap_format='bmp')",
                       Entry(0, 32), true};
    pillowBmp.compareAlpha = true;

    const std::vector<ToolFile> files = {
        {"1 bit", Tool::ImageMagick, "-alpha off -colors 2 -type palette ICO:", Entry(2, 1)},
        {"4 bits", Tool::ImageMagick, "-alpha off -colors 16 -type palette ICO:", Entry(16, 4)},
        {"8 bits", Tool::ImageMagick, "-alpha off -type palette ICO:", Entry(0, 8)},
        rgba, png, second, pillowPng, pillowBmp,
    };
    const auto outcome = kestrel::test::CheckToolFiles(files, ImageFormat::Ico);
    for (const std::string& failure : outcome.failures) ADD_FAILURE() << failure;
    if (!outcome.skipped.empty())
        GTEST_SKIP() << outcome.skipped.size() << " variants skipped: ImageMagick or Pillow is not installed";
}

TEST(IcoRealFiles, KestrelConvertReadsThemWithFormatIcoAndFrame)
{
    kestrel::test::IcoEntry first;
    first.bitCount = 8;
    first.image = kestrel::test::IcoBitmap(1, 1, 8, {}, std::string(4, '\0'));
    kestrel::test::IcoEntry second;
    second.widthByte = 3;
    second.heightByte = 2;
    second.colourCount = 2;
    second.bitCount = 1;
    second.image = kestrel::test::IcoBitmap(3, 2, 1, {}, std::string(8, '\0'), 2);
    const std::string file = kestrel::test::BuildIco({first, second});
    const auto run = RunConvert(KESTREL_CONVERT_PATH, "--format ico --frame 1 --info", file);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(R"("ok":true,"width":3,"height":2,"bitCount":1,"colours":2)"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(R"("frameCount":2)"), std::string::npos) << run.output;
    const auto failed = RunConvert(KESTREL_CONVERT_PATH, "--format ico --frame 2 --info", file);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find(R"("ok":false)"), std::string::npos) << failed.output;
}

}  // namespace
