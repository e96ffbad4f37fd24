// PNG, JPEG and TIFF seeds, written with the same libraries the readers use:
// every PNG colour type and depth, grey, colour and CMYK JPEGs (baseline and
// progressive), and TIFF pages of the photometric kinds the reader sorts by.
#include "fuzz/seeds/seed_files.h"
#include "tests/support/jpeg_test_files.h"
#include "tests/support/png_test_files.h"
#include "tests/support/tiff_test_files.h"

namespace kestrel::fuzz {
namespace {

using kestrel::test::JpegRecipe;
using kestrel::test::PngRecipe;
using kestrel::test::TiffPageRecipe;

struct PngImage {
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    bool trns = false;
    bool bkgd = false;
    int width = 7;
    int height = 5;
};

std::string MakePng(const PngImage& p)
{
    PngRecipe recipe;
    recipe.width = p.width;
    recipe.height = p.height;
    recipe.bitDepth = p.bitDepth;
    recipe.colourType = p.colourType;
    recipe.interlaced = p.interlaced;
    if (p.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << p.bitDepth); ++i) recipe.palette.push_back({png_byte(i), png_byte(255 - i), png_byte(i * 3)});
    }
    if (p.trns) {
        if (p.colourType == PNG_COLOR_TYPE_PALETTE) {
            recipe.transAlpha = {0, 128, 200};
        } else {
            png_color_16 key{};
            key.gray = 1;
            key.red = key.green = key.blue = 1;
            recipe.transColour = key;
        }
    }
    if (p.bkgd) {
        png_color_16 background{};
        background.index = 1;
        background.red = background.green = background.blue = background.gray = 1;
        recipe.background = background;
    }
    const std::size_t rowBytes = kestrel::test::PngRowBytes(recipe);
    for (int y = 0; y < p.height; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i) recipe.pixels.push_back(png_byte(i * 29 + std::size_t(y) * 7));
    }
    return kestrel::test::WritePng(recipe);
}

std::string MakeJpeg(int components, J_COLOR_SPACE space, bool progressive)
{
    JpegRecipe recipe;
    recipe.width = 11;
    recipe.height = 9;
    recipe.components = components;
    recipe.input = space;
    recipe.progressive = progressive;
    recipe.quality = 60;
    for (int y = 0; y < recipe.height; ++y) {
        for (int i = 0; i < recipe.width * components; ++i) recipe.pixels.push_back(JSAMPLE(i * 23 + y * 11));
    }
    return kestrel::test::WriteJpeg(recipe);
}

struct TiffPage {
    int photometric = PHOTOMETRIC_MINISBLACK;
    int bits = 8;
    int samples = 1;
    int compression = COMPRESSION_NONE;
    int planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    int width = 9;
    int height = 7;
    int rowsPerStrip = 3;
};

TiffPageRecipe TiffRecipe(const TiffPage& page)
{
    TiffPageRecipe recipe;
    recipe.width = std::uint32_t(page.width);
    recipe.height = std::uint32_t(page.height);
    recipe.bitsPerSample = std::uint16_t(page.bits);
    recipe.samplesPerPixel = std::uint16_t(page.samples);
    recipe.photometric = std::uint16_t(page.photometric);
    recipe.compression = std::uint16_t(page.compression);
    recipe.planarConfig = std::uint16_t(page.planar);
    recipe.xResolution = 150.0f;
    recipe.yResolution = 75.5f;
    recipe.alphaSample = page.samples == 4 && page.photometric == PHOTOMETRIC_RGB;
    if (page.photometric == PHOTOMETRIC_PALETTE) {
        for (int i = 0; i < 3 * (1 << page.bits); ++i) recipe.colourMap.push_back(std::uint16_t(i * 997));
    }
    const int planes = page.planar == PLANARCONFIG_SEPARATE ? page.samples : 1;
    const int perPixel = page.planar == PLANARCONFIG_SEPARATE ? 1 : page.samples;
    const std::size_t lineBytes = (std::size_t(page.width) * std::size_t(perPixel) * std::size_t(page.bits) + 7) / 8;
    if (page.tiled) {
        recipe.tileWidth = 16;
        recipe.tileLength = 16;
    } else {
        recipe.rowsPerStrip = std::uint32_t(page.rowsPerStrip);
    }
    for (int plane = 0; plane < planes; ++plane) {
        for (int y = 0; y < page.height; ++y) {
            for (std::size_t i = 0; i < lineBytes; ++i) {
                recipe.pixels.push_back(page.tiled ? 0x5C : std::uint8_t(i * 41 + std::size_t(y) * 3 + std::size_t(plane)));
            }
        }
    }
    return recipe;
}

std::string MakeTiff(const std::vector<TiffPage>& pages)
{
    std::vector<TiffPageRecipe> recipes;
    for (const TiffPage& page : pages) recipes.push_back(TiffRecipe(page));
    return kestrel::test::WriteTiff(recipes);
}

}  // namespace

std::vector<SeedFile> LibraryFormatSeeds()
{
    std::vector<SeedFile> seeds;
    auto png = [&](const char* name, const PngImage& p) {
        seeds.push_back({name, ImageFormat::Png, 0, MakePng(p)});
    };
    png("png-grey1", {PNG_COLOR_TYPE_GRAY, 1});
    png("png-grey2-trns", {PNG_COLOR_TYPE_GRAY, 2, false, true});
    png("png-grey4", {PNG_COLOR_TYPE_GRAY, 4});
    png("png-grey8-bkgd", {PNG_COLOR_TYPE_GRAY, 8, false, false, true});
    png("png-grey16", {PNG_COLOR_TYPE_GRAY, 16});
    png("png-palette1", {PNG_COLOR_TYPE_PALETTE, 1});
    png("png-palette2-trns", {PNG_COLOR_TYPE_PALETTE, 2, false, true});
    png("png-palette4", {PNG_COLOR_TYPE_PALETTE, 4, true});
    png("png-palette8-trns", {PNG_COLOR_TYPE_PALETTE, 8, false, true});
    png("png-grey-alpha8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8});
    png("png-grey-alpha16", {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true});
    png("png-rgb8-interlaced", {PNG_COLOR_TYPE_RGB, 8, true});
    png("png-rgb16-bkgd", {PNG_COLOR_TYPE_RGB, 16, false, false, true});
    png("png-rgba8-bkgd", {PNG_COLOR_TYPE_RGBA, 8, false, false, true});
    png("png-rgba8-interlaced", {PNG_COLOR_TYPE_RGBA, 8, true});
    png("png-rgba16", {PNG_COLOR_TYPE_RGBA, 16});

    seeds.push_back({"jpeg-grey", ImageFormat::Jpeg, 0, MakeJpeg(1, JCS_GRAYSCALE, false)});
    seeds.push_back({"jpeg-rgb", ImageFormat::Jpeg, 0, MakeJpeg(3, JCS_RGB, false)});
    seeds.push_back({"jpeg-rgb-progressive", ImageFormat::Jpeg, 0, MakeJpeg(3, JCS_RGB, true)});
    seeds.push_back({"jpeg-cmyk", ImageFormat::Jpeg, 0, MakeJpeg(4, JCS_CMYK, false)});

    auto tiff = [&](const char* name, int frame, const std::vector<TiffPage>& pages) {
        seeds.push_back({name, ImageFormat::Tiff, frame, MakeTiff(pages)});
    };
    tiff("tiff-bilevel-white", 0, {{PHOTOMETRIC_MINISWHITE, 1}});
    tiff("tiff-grey4", 0, {{PHOTOMETRIC_MINISBLACK, 4}});
    tiff("tiff-grey8-packbits", 0, {{PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_PACKBITS}});
    tiff("tiff-grey16-deflate", 0, {{PHOTOMETRIC_MINISBLACK, 16, 1, COMPRESSION_ADOBE_DEFLATE}});
    tiff("tiff-palette4", 0, {{PHOTOMETRIC_PALETTE, 4}});
    tiff("tiff-palette8", 0, {{PHOTOMETRIC_PALETTE, 8}});
    tiff("tiff-rgb", 0, {{PHOTOMETRIC_RGB, 8, 3}});
    tiff("tiff-rgba-separate", 0, {{PHOTOMETRIC_RGB, 8, 4, COMPRESSION_NONE, PLANARCONFIG_SEPARATE}});
    tiff("tiff-rgb-tiled", 0, {{PHOTOMETRIC_RGB, 8, 3, COMPRESSION_NONE, PLANARCONFIG_CONTIG, true, 20, 18}});
    tiff("tiff-rgb2bit", 0, {{PHOTOMETRIC_RGB, 2, 3}});
    tiff("tiff-separated-cmyk", 0, {{PHOTOMETRIC_SEPARATED, 8, 4}});
    tiff("tiff-lzw", 0, {{PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_LZW}});
    const std::vector<TiffPage> pages = {{PHOTOMETRIC_MINISBLACK, 1}, {PHOTOMETRIC_RGB, 8, 3}, {PHOTOMETRIC_PALETTE, 8}};
    tiff("tiff-pages-0", 0, pages);
    tiff("tiff-pages-2", 2, pages);
    return seeds;
}

}  // namespace kestrel::fuzz
