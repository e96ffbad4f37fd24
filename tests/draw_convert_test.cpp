// kestrel-convert --draw: the surface it writes as a PPM is the one Draw
// makes, checked against the plain reference drawing of the same file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>

#include "tests/draw_reference.h"
#include "tests/support/png_test_files.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/test_paths.h"

namespace {

using kestrel::test::ReferenceDraw;
using kestrel::test::TestSurface;

class ConvertDraw : public ::testing::Test {
protected:
    void SetUp() override { m_dir = kestrel::test::MakeTempDir("kestrel-draw"); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    // Runs the tool with arguments; returns its exit status.
    int Run(const std::string& arguments) const
    {
        const std::string command =
            std::string(KESTREL_CONVERT_PATH) + " " + arguments + " >/dev/null 2>" + Path("stderr.txt");
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir;
};

// The PPM bytes a surface should give: header, then red, green, blue.
std::string PpmOf(const TestSurface& surface)
{
    std::string out = "P6\n" + std::to_string(surface.width) + " " + std::to_string(surface.height) + "\n255\n";
    for (int y = 0; y < surface.height; ++y)
        for (int x = 0; x < surface.width; ++x) {
            const std::uint32_t p = surface.pixels[std::size_t(y) * std::size_t(surface.pitch) + std::size_t(x)];
            out += char(p >> 16);
            out += char(p >> 8);
            out += char(p);
        }
    return out;
}

// A 5 x 4 8-bit BMP with a ramp of indices and a table of distinct colours.
std::string RampBmp()
{
    kestrel::test::BmpRecipe recipe;
    recipe.width = 5;
    recipe.height = 4;
    recipe.bitCount = 8;
    for (int i = 0; i < 256; ++i) recipe.palette.push_back(RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(3 * i), 0});
    std::vector<std::vector<std::uint32_t>> rows;
    for (int y = 0; y < 4; ++y) {
        rows.emplace_back();
        for (int x = 0; x < 5; ++x) rows.back().push_back(std::uint32_t(10 * y + x));
    }
    recipe.pixels = kestrel::test::PackBmpRows(rows, 8);
    return kestrel::test::BuildBmp(recipe);
}

TEST_F(ConvertDraw, ScaledAndDirectDrawsMatchTheReference)
{
    ASSERT_TRUE(kestrel::test::WriteFileBytes(Path("ramp.bmp"), RampBmp()));
    CDibImage image(Path("ramp.bmp").c_str(), ImageFormat::Bmp);
    ASSERT_FALSE(image.IsEmpty());

    const struct {
        const char* recipe;
        int sw, sh, x, y, w, h;
        std::uint32_t fill;
    } cases[] = {
        {"12,9,1,2,11,6,102030", 12, 9, 1, 2, 11, 6, 0xFF102030u},
        {"7,7,-2,-1,-1,-1", 7, 7, -2, -1, -1, -1, 0xFFFFFFFFu},
        {"6,5,0,0,3,-1,ABCDEF", 6, 5, 0, 0, 3, -1, 0xFFABCDEFu},
        {"4,4,0,0,0,4", 4, 4, 0, 0, 0, 4, 0xFFFFFFFFu},  // draws nothing
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run(std::string("--format bmp --draw ") + c.recipe + " " + Path("ramp.bmp") + " " + Path("out.ppm")),
                  0)
            << c.recipe;
        TestSurface expected(c.sw, c.sh, 0, c.fill);
        ReferenceDraw(image, expected, c.x, c.y, c.w, c.h);
        EXPECT_EQ(kestrel::test::ReadFileBytes(Path("out.ppm")), PpmOf(expected)) << c.recipe;
    }
}

TEST_F(ConvertDraw, OpacityIsSetAfterTheLoadAndBlends)
{
    kestrel::test::PngRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    recipe.pixels = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 9, 9, 9, 200};
    const std::string png = kestrel::test::WritePng(recipe);
    ASSERT_FALSE(png.empty());
    ASSERT_TRUE(kestrel::test::WriteFileBytes(Path("a.png"), png));
    CDibImage image(Path("a.png").c_str(), ImageFormat::Png);
    ASSERT_FALSE(image.IsEmpty());
    ASSERT_NE(image.AlphaPlane(), nullptr);
    image.SetOpacity(100);

    ASSERT_EQ(Run("--format png --opacity 100 --draw 5,4,1,0,3,3,000000 " + Path("a.png") + " " + Path("o.ppm")), 0);
    TestSurface expected(5, 4, 0, 0xFF000000u);
    ReferenceDraw(image, expected, 1, 0, 3, 3);
    EXPECT_EQ(kestrel::test::ReadFileBytes(Path("o.ppm")), PpmOf(expected));
}

TEST_F(ConvertDraw, BadRequestsAreUsageErrorsAndUnreadableFilesFail)
{
    ASSERT_TRUE(kestrel::test::WriteFileBytes(Path("ramp.bmp"), RampBmp()));
    const std::string files = " " + Path("ramp.bmp") + " " + Path("x.ppm");
    for (const char* bad : {"--draw 0,4,0,0,1,1", "--draw 4,4,0,0,1", "--draw 4,4,0,0,1,1,12345",
                            "--draw 4,4,0,0,1,1,GGGGGG", "--draw 4,4,a,0,1,1", "--draw 65536,65536,0,0,1,1",
                            "--opacity 256 --draw 4,4,0,0,1,1", "--opacity -1 --draw 4,4,0,0,1,1"})
        EXPECT_EQ(Run(std::string("--format bmp ") + bad + files), 2) << bad;
    EXPECT_EQ(Run("--format bmp --draw 4,4,0,0,1,1 " + Path("ramp.bmp")), 2);  // no output file
    EXPECT_EQ(Run("--format bmp --draw 4,4,0,0,1,1 " + Path("missing.bmp") + " " + Path("x.ppm")), 1);
    ASSERT_TRUE(kestrel::test::WriteFileBytes(Path("junk.bmp"), "BM junk"));
    EXPECT_EQ(Run("--format bmp --draw 4,4,0,0,1,1 " + Path("junk.bmp") + " " + Path("x.ppm")), 1);
    EXPECT_FALSE(std::filesystem::exists(Path("x.ppm")));
}

}  // namespace
