// kestrel-convert on the library readers: --format png, jpeg and tiff load
// through the loader, and --frame picks the TIFF page.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/jpeg_test_files.h"
#include "tests/support/png_test_files.h"
#include "tests/support/external_decoders.h"
#include "tests/support/test_paths.h"
#include "tests/support/tiff_test_files.h"

namespace {

using kestrel::test::ShellQuote;

using RunResult = kestrel::test::ShellRun;

RunResult RunConvert(const std::string& arguments)
{
    return kestrel::test::RunShell(ShellQuote(KESTREL_CONVERT_PATH) + " " + arguments);
}

class ConvertTool : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = kestrel::test::MakeTempDir("kestrel-convert");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { std::system(("rm -rf " + ShellQuote(dir_)).c_str()); }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir_ + "/" + name;
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_TRUE(kestrel::test::WriteFileBytes(path, bytes));
        return path;
    }

    std::string dir_;
};

kestrel::test::TiffPageRecipe GreyPage(std::uint32_t width)
{
    kestrel::test::TiffPageRecipe page;
    page.width = width;
    page.height = 2;
    page.pixels.assign(std::size_t(width) * 2, 0x40);
    return page;
}

TEST_F(ConvertTool, FramePicksTheTiffPage)
{
    const std::string tiff =
        Write("pages.tif", kestrel::test::WriteTiff({GreyPage(3), GreyPage(5)}));
    const std::string bmp = dir_ + "/page.bmp";
    const RunResult second =
        RunConvert("--format tiff --frame 1 --info " + ShellQuote(tiff) + " " + ShellQuote(bmp));
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("\"width\":5,"), std::string::npos) << second.output;
    EXPECT_NE(second.output.find("\"frameCount\":2,"), std::string::npos) << second.output;
    EXPECT_EQ(kestrel::test::ReadFileBytes(bmp).substr(0, 2), "BM");

    const RunResult first = RunConvert("--format tif --info " + ShellQuote(tiff));
    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_NE(first.output.find("\"width\":3,"), std::string::npos) << first.output;

    const RunResult missing = RunConvert("--format tiff --frame 2 " + ShellQuote(tiff));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("Error: page not present in TIFF file"), std::string::npos)
        << missing.output;
}

TEST_F(ConvertTool, PngAndJpegLoadThroughTheirFormats)
{
    kestrel::test::PngRecipe png;
    png.width = 4;
    png.height = 3;
    png.pixels.assign(12, 0x80);
    const std::string pngPath = Write("grey.png", kestrel::test::WritePng(png));
    const RunResult pngRun = RunConvert("--format png --info " + ShellQuote(pngPath));
    EXPECT_EQ(pngRun.status, 0) << pngRun.output;
    EXPECT_NE(pngRun.output.find("\"width\":4,\"height\":3,\"bitCount\":8"), std::string::npos)
        << pngRun.output;

    kestrel::test::JpegRecipe jpeg;
    jpeg.pixels.assign(8 * 8 * 3, 0x30);
    const std::string jpegPath = Write("colour.jpg", kestrel::test::WriteJpeg(jpeg));
    const RunResult jpegRun = RunConvert("--format jpeg --info " + ShellQuote(jpegPath));
    EXPECT_EQ(jpegRun.status, 0) << jpegRun.output;
    EXPECT_NE(jpegRun.output.find("\"width\":8,\"height\":8,\"bitCount\":24"), std::string::npos)
        << jpegRun.output;

    // The wrong reader for the file fails with that reader's message.
    const RunResult wrong = RunConvert("--format tiff " + ShellQuote(pngPath));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.output.find("Error encountered while opening TIFF file"), std::string::npos)
        << wrong.output;
}

}  // namespace
