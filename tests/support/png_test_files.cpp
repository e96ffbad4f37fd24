#include "tests/support/png_test_files.h"

#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>

namespace kestrel::test {

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

std::uint32_t ReadBigEndian32(const std::string& bytes, std::size_t at)
{
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint32_t(std::uint8_t(bytes[at + 3]));
}

// Kept apart from WritePng so that a libpng error jumps over no C++ object.
bool WriteGuarded(png_structp png, png_infop info, const PngRecipe& recipe, std::string* out)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, AppendToString, NoFlush);
    png_set_IHDR(png, info, png_uint_32(recipe.width), png_uint_32(recipe.height), recipe.bitDepth,
                 recipe.colourType, recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty())
        png_set_PLTE(png, info, recipe.palette.data(), int(recipe.palette.size()));
    if (!recipe.transAlpha.empty())
        png_set_tRNS(png, info, recipe.transAlpha.data(), int(recipe.transAlpha.size()), nullptr);
    if (recipe.transColour) png_set_tRNS(png, info, nullptr, 1, &*recipe.transColour);
    if (recipe.background) png_set_bKGD(png, info, &*recipe.background);
    if (recipe.gamma > 0) png_set_gAMA(png, info, recipe.gamma);
    png_write_info(png, info);
    const int passes = recipe.interlaced ? png_set_interlace_handling(png) : 1;
    const std::size_t rowBytes = PngRowBytes(recipe);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < recipe.height; ++y)
            png_write_row(png, recipe.pixels.data() + std::size_t(y) * rowBytes);
    png_write_end(png, info);
    return true;
}

struct MemoryReader {
    const std::string* bytes;
    std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->bytes->size() - reader->at) png_error(png, "read past the end");
    std::memcpy(data, reader->bytes->data() + reader->at, length);
    reader->at += length;
}

// Fills recipe with the stored rows and chunks; kept apart so that a libpng
// error jumps over no C++ object.
bool ReadGuarded(png_structp png, png_infop info, MemoryReader* reader, PngRecipe* recipe,
                 std::vector<png_bytep>* rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, reader, ReadFromMemory);
    png_read_info(png, info);
    recipe->width = int(png_get_image_width(png, info));
    recipe->height = int(png_get_image_height(png, info));
    recipe->bitDepth = png_get_bit_depth(png, info);
    recipe->colourType = png_get_color_type(png, info);
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count)) recipe->palette.assign(palette, palette + count);
    png_bytep alpha = nullptr;
    png_color_16p colour = nullptr;
    if (png_get_tRNS(png, info, &alpha, &count, &colour)) {
        if (alpha) recipe->transAlpha.assign(alpha, alpha + count);
        else if (colour) recipe->transColour = *colour;
    }
    if (png_get_bKGD(png, info, &colour)) recipe->background = *colour;
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    recipe->pixels.assign(rowBytes * std::size_t(recipe->height), 0);
    for (int y = 0; y < recipe->height; ++y) (*rows)[std::size_t(y)] = recipe->pixels.data() + std::size_t(y) * rowBytes;
    png_read_image(png, rows->data());
    return true;
}

}  // namespace

std::string DeinterlacedPng(const std::string& png)
{
    png_structp read = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!read) return {};
    png_infop info = png_create_info_struct(read);
    MemoryReader reader{&png, 0};
    PngRecipe recipe;
    // The test files are small; rows are pointed into recipe.pixels.
    std::vector<png_bytep> rows(1u << 16);
    const bool ok = info && ReadGuarded(read, info, &reader, &recipe, &rows);
    png_destroy_read_struct(&read, &info, nullptr);
    if (!ok) return {};
    recipe.interlaced = false;
    return WritePng(recipe);
}

std::size_t PngRowBytes(const PngRecipe& recipe)
{
    int channels = 1;
    switch (recipe.colourType) {
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: break;
    }
    return (std::size_t(recipe.width) * channels * recipe.bitDepth + 7) / 8;
}

std::string WritePng(const PngRecipe& recipe)
{
    if (recipe.pixels.size() < PngRowBytes(recipe) * std::size_t(recipe.height)) return {};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    std::string out;
    const bool ok = info && WriteGuarded(png, info, recipe, &out);
    png_destroy_write_struct(&png, &info);
    return ok ? out : std::string();
}

std::string WithoutPngChunk(const std::string& png, const char type[4])
{
    std::string out = png.substr(0, 8);
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::size_t total = 12 + std::size_t(ReadBigEndian32(png, at));
        if (total > png.size() - at) break;
        if (png.compare(at + 4, 4, type, 4) != 0) out += png.substr(at, total);
        at += total;
    }
    out += png.substr(at);
    return out;
}

std::string WithRepairedCrcs(std::string png)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::size_t length = ReadBigEndian32(png, at);
        if (length > png.size() - at - 12) break;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(png.data() + at + 4);
        const uLong crc = crc32(0L, typeAndData, uInt(length + 4));
        for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = char(crc >> (24 - 8 * i));
        at += length + 12;
    }
    return png;
}

}  // namespace kestrel::test
