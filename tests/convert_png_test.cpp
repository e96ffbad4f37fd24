// kestrel-convert INPUT OUTPUT.png: the file it writes, read back with
// libpng, holds the loaded image: palette files for indexed images with
// their colour table (and tRNS for a transparent index or table alpha), RGB
// for 24 bits, RGBA when there is an alpha plane.
#include <gtest/gtest.h>

#include <cstring>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "image/dib_image.h"
#include "tests/support/png_test_files.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/gif_writer.h"
#include "tests/support/test_paths.h"

namespace {

using namespace kestrel::test;

struct DecodedPng {
    bool ok = false;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = -1;
    std::vector<png_color> palette;
    std::vector<png_byte> transparency;
    std::vector<std::vector<png_byte>> rows;  // top first; one byte per index or sample
};

// The file as libpng reads it, indices unpacked to one byte each.
DecodedPng ReadBack(const std::string& path)
{
    DecodedPng result;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        result.ok = false;
        return result;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    result.width = png_get_image_width(png, info);
    result.height = png_get_image_height(png, info);
    result.bitDepth = png_get_bit_depth(png, info);
    result.colourType = png_get_color_type(png, info);
    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (png_get_PLTE(png, info, &palette, &paletteCount)) result.palette.assign(palette, palette + paletteCount);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) && alpha)
        result.transparency.assign(alpha, alpha + alphaCount);
    png_set_packing(png);
    png_read_update_info(png, info);
    result.rows.assign(result.height, std::vector<png_byte>(png_get_rowbytes(png, info)));
    for (auto& row : result.rows) png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    result.ok = true;
    return result;
}

std::string Bmp(int bitCount, int colours)
{
    BmpRecipe recipe;
    recipe.width = 9;
    recipe.height = 3;
    recipe.bitCount = bitCount;
    for (int i = 0; i < colours; ++i) recipe.palette.push_back(RGBQUAD{BYTE(7 * i), BYTE(200 - i), BYTE(31 * i), 0});
    recipe.coloursUsed = std::uint32_t(colours);
    std::vector<std::vector<std::uint32_t>> rows(3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            rows[std::size_t(y)].push_back(bitCount == 24 ? std::uint32_t(0x10204 * (9 * y + x + 1))
                                                          : std::uint32_t((x + 3 * y) % colours));
    recipe.pixels = PackBmpRows(rows, bitCount);
    return BuildBmp(recipe);
}

// 4 x 2, transparent index 2 in a table of 4.
std::string TransparentGif()
{
    const std::uint8_t pixels[] = {0, 1, 2, 3, 3, 2, 1, 0};
    GifWriter gif;
    gif.Header(4, 2, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}})
        .GraphicControl(0, 2)
        .ImageDescriptor(0, 0, 4, 2)
        .Raster(2, LzwEncode(pixels, sizeof pixels, LzwOptions{2}))
        .Trailer();
    const GifBytes& bytes = gif.Data();
    return std::string(bytes.begin(), bytes.end());
}

std::string PalettePngWithAlpha()
{
    PngRecipe recipe;
    recipe.width = 3;
    recipe.height = 2;
    recipe.colourType = PNG_COLOR_TYPE_PALETTE;
    recipe.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    recipe.transAlpha = {40, 255, 90};
    recipe.pixels = {0, 1, 2, 2, 1, 0};
    return WritePng(recipe);
}

std::string RgbaPng()
{
    PngRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    recipe.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    return WritePng(recipe);
}

struct PngCase {
    const char* name;
    std::string (*input)();
    const char* format;
    int colourType;
    int bitDepth;
};

void PrintTo(const PngCase& c, std::ostream* out) { *out << c.name; }

class ConvertPng : public ::testing::TestWithParam<PngCase> {
protected:
    void SetUp() override { m_dir = MakeTempDir("kestrel-png-out"); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    int Convert(const std::string& format, const std::string& input, const std::string& output) const
    {
        const std::string command = std::string(KESTREL_CONVERT_PATH) + " --format " + format + " '" + input +
                                    "' '" + output + "' >/dev/null 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_dir;
};

TEST_P(ConvertPng, FileHoldsTheLoadedImage)
{
    const PngCase& c = GetParam();
    const std::string input = Path("in");
    ASSERT_TRUE(WriteFileBytes(input, c.input()));
    ASSERT_EQ(Convert(c.format, input, Path("out.png")), 0);
    CDibImage image(input.c_str(), *c.format == 'b' ? ImageFormat::Bmp : *c.format == 'g' ? ImageFormat::Gif
                                                                                            : ImageFormat::Png);
    ASSERT_FALSE(image.IsEmpty());

    const DecodedPng png = ReadBack(Path("out.png"));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.width, png_uint_32(image.Width()));
    ASSERT_EQ(png.height, png_uint_32(image.Height()));
    EXPECT_EQ(png.colourType, c.colourType);
    EXPECT_EQ(png.bitDepth, c.bitDepth);

    const DibImageInfo& info = image.Info();
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        // The whole table of the depth: the image's entries, then black.
        ASSERT_EQ(png.palette.size(), std::size_t(1) << image.BitCount());
        for (std::size_t i = 0; i < png.palette.size(); ++i) {
            const RGBQUAD colour = image.GetPaletteColour(BYTE(i));
            EXPECT_EQ(png.palette[i].red, colour.rgbRed) << i;
            EXPECT_EQ(png.palette[i].green, colour.rgbGreen) << i;
            EXPECT_EQ(png.palette[i].blue, colour.rgbBlue) << i;
            const png_byte alpha = i < png.transparency.size() ? png.transparency[i] : 255;
            const int expected = int(i) == info.transparentIndex ? 0
                                 : info.paletteHasAlpha            ? colour.rgbReserved
                                                                   : 255;
            EXPECT_EQ(alpha, expected) << i;
        }
    } else {
        EXPECT_TRUE(png.palette.empty());
        EXPECT_TRUE(png.transparency.empty());
    }

    const int channels = c.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : c.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    for (int y = 0; y < image.Height(); ++y) {
        const int stored = image.Height() - 1 - y;  // the file's top row is the DIB's last
        const BYTE* row = info.pixels + std::size_t(stored) * std::size_t(info.stride);
        for (int x = 0; x < image.Width(); ++x) {
            const png_byte* pixel = &png.rows[std::size_t(y)][std::size_t(x * channels)];
            if (channels == 1) {
                EXPECT_EQ(pixel[0], image.GetPixelIndex(x, stored)) << x << "," << y;
                continue;
            }
            EXPECT_EQ(pixel[0], row[3 * x + 2]) << x << "," << y;
            EXPECT_EQ(pixel[1], row[3 * x + 1]) << x << "," << y;
            EXPECT_EQ(pixel[2], row[3 * x]) << x << "," << y;
            if (channels == 4) {
                EXPECT_EQ(pixel[3], image.AlphaPlane()[std::size_t(stored) * image.Width() + x]) << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, ConvertPng,
    ::testing::Values(PngCase{"Bmp1Bit", [] { return Bmp(1, 2); }, "bmp", PNG_COLOR_TYPE_PALETTE, 1},
                      PngCase{"Bmp4BitShortTable", [] { return Bmp(4, 5); }, "bmp", PNG_COLOR_TYPE_PALETTE, 4},
                      PngCase{"Bmp8Bit", [] { return Bmp(8, 256); }, "bmp", PNG_COLOR_TYPE_PALETTE, 8},
                      PngCase{"Bmp24Bit", [] { return Bmp(24, 0); }, "bmp", PNG_COLOR_TYPE_RGB, 8},
                      PngCase{"GifTransparentIndex", TransparentGif, "gif", PNG_COLOR_TYPE_PALETTE, 4},
                      PngCase{"PaletteAlpha", PalettePngWithAlpha, "png", PNG_COLOR_TYPE_PALETTE, 8},
                      PngCase{"AlphaPlane", RgbaPng, "png", PNG_COLOR_TYPE_RGB_ALPHA, 8}),
    [](const ::testing::TestParamInfo<PngCase>& info) { return std::string(info.param.name); });

TEST_F(ConvertPng, BmpOutputIsUnchangedAndAnUnwritablePngFails)
{
    const std::string input = Path("in.bmp");
    ASSERT_TRUE(WriteFileBytes(input, Bmp(24, 0)));
    ASSERT_EQ(Convert("bmp", input, Path("out.bmp")), 0);
    EXPECT_EQ(ReadFileBytes(Path("out.bmp")).substr(0, 2), "BM");
    EXPECT_EQ(Convert("bmp", input, Path("missing/out.png")), 1);
}

TEST_F(ConvertPng, TheOutputsExtensionNamesWhatIsWritten)
{
    const std::string input = Path("in.bmp");
    ASSERT_TRUE(WriteFileBytes(input, Bmp(24, 0)));
    const struct {
        const char* name;
        int status;
        const char* start;  // of the file written; empty: none is
    } cases[] = {
        {"a.bmp", 0, "BM"},   {"b.BMP", 0, "BM"},   {"c.png", 0, "\x89PNG"}, {"d.Png", 0, "\x89PNG"},
        {"e.ppm", 0, "P6\n"}, {"f.jpg", 2, ""},     {"g", 2, ""},            {"h.png.gif", 2, ""},
        {"i.", 2, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Convert("bmp", input, Path(c.name)), c.status) << c.name;
        const std::string written = ReadFileBytes(Path(c.name));
        EXPECT_EQ(written.substr(0, std::strlen(c.start)), c.start) << c.name;
        if (!*c.start) {
            EXPECT_TRUE(written.empty()) << c.name;
        }
    }
}

}  // namespace
