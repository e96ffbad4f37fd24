// PNG files for tests, written in memory with libpng's own writer, and small
// edits of PNG byte streams (dropping a chunk, repairing CRCs after a flip).
#pragma once

#include <png.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrel::test {

struct PngRecipe {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_GRAY;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> transAlpha;          // tRNS of palette files
    std::optional<png_color_16> transColour;   // tRNS of grey and RGB files
    std::optional<png_color_16> background;    // bKGD
    double gamma = 0;                          // gAMA when above 0
    // Rows top first, packed as the file stores them (16-bit samples
    // big-endian), (width * channels * bitDepth + 7) / 8 bytes each.
    std::vector<png_byte> pixels;
};

// The encoded file, or an empty string when libpng refused the recipe.
std::string WritePng(const PngRecipe& recipe);

// Bytes per stored row of recipe.
std::size_t PngRowBytes(const PngRecipe& recipe);

// The same stream without any chunk of the given type.
std::string WithoutPngChunk(const std::string& png, const char type[4]);

// Recomputes the CRC of every chunk that can still be walked, so a flipped
// byte reaches the decoder instead of the CRC check.
std::string WithRepairedCrcs(std::string png);

// The same picture re-encoded without interlacing (palette, tRNS and bKGD
// kept, gamma dropped), or an empty string when the file cannot be read.
std::string DeinterlacedPng(const std::string& png);

}  // namespace kestrel::test
