// Builds PCX files: the 128-byte header, run-length data and the 256-colour
// table that follows 8-bit single-plane data.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrel::test {

struct PcxRecipe {
    int manufacturer = 10;
    int encoding = 1;
    int bitsPerPixel = 8;
    int planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int bytesPerLine = 2;
    std::array<std::uint8_t, 48> headerPalette{};  // 16 red, green, blue triples
    std::string data;                              // run-length data as stored
    std::string trailer;                           // e.g. PcxVgaPalette(...)
};

std::string BuildPcx(const PcxRecipe& recipe);

// Run-length encodes bytes the way writers do: runs of 2..63 equal bytes, and
// single bytes with both top bits set, as (0xC0 | count, value).
std::string PcxEncode(const std::string& raw);

// The byte 12 and 256 red, green, blue triples; triple i is (i, 255 - i, i / 2)
// unless given.
std::string PcxVgaPalette(const std::string& triples = std::string());

}  // namespace kestrel::test
