// Small valid files of every format, made in code, that start the fuzzers
// off on every reader's main paths instead of at the first header check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_format.h"
#include "tests/support/byte_builder.h"

namespace kestrel::fuzz {

struct SeedFile {
    std::string name;    // unique, no extension
    ImageFormat format;
    int frameIndex;
    std::string bytes;   // the file itself
};

std::vector<SeedFile> GifSeeds();
std::vector<SeedFile> BmpSeeds();
std::vector<SeedFile> PcxTgaIcoSeeds();
std::vector<SeedFile> LibraryFormatSeeds();

}  // namespace kestrel::fuzz
