// TIFF files for tests: pages written with libtiff's own writer (strips,
// tiles, separate planes, several pages), and hand-built directories for
// values the writer refuses to produce.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::test {

struct TiffPageRecipe {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t planarConfig = PLANARCONFIG_CONTIG;
    std::uint32_t rowsPerStrip = 0;  // 0: the whole page is one strip
    std::uint32_t tileWidth = 0;     // tiled when both are set (multiples of 16)
    std::uint32_t tileLength = 0;
    bool alphaSample = false;              // the last sample is unassociated alpha
    std::vector<std::uint16_t> colourMap;  // red, then green, then blue entries
    std::optional<float> xResolution;
    std::optional<float> yResolution;
    // Rows top first, packed as the file holds them: samples interleaved for
    // one plane, plane after plane for separate planes; 16-bit samples in
    // the machine's byte order.
    std::vector<std::uint8_t> pixels;
};

// The encoded file, or an empty string when libtiff refused the recipe.
// bigEndian writes a Motorola-order file.
std::string WriteTiff(const std::vector<TiffPageRecipe>& pages, bool bigEndian = false);
std::string WriteTiff(const TiffPageRecipe& page, bool bigEndian = false);

// Bytes of one packed row of one plane.
std::size_t TiffRowBytes(const TiffPageRecipe& page);

// Packs values of `bits` bits each (first value in the highest bits) into
// rows of `perRow` values, each row starting on a byte.
std::vector<std::uint8_t> PackRows(const std::vector<unsigned>& values, unsigned bits,
                                   std::size_t perRow);

// One directory entry of a hand-built classic little-endian TIFF.
struct TiffEntry {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG
    std::uint32_t value;
};

// A little-endian classic TIFF: header, `data` at offset 8, then one
// directory with the entries (sorted by tag here). Entries may point into
// the data with offsets from 8.
std::string HandBuiltTiff(std::vector<TiffEntry> entries, const std::string& data = {});

}  // namespace kestrel::test
