// Small valid files of every format, made in code, that start the fuzzers
// off on every reader's main paths instead of at the first header check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_format.h"

namespace kestrel::fuzz {

struct SeedFile {
    std::string name;    // unique, no extension
    ImageFormat format;
    int frameIndex;
    std::string bytes;   // the file itself
};

// Little-endian byte builder.
struct Bytes {
    std::string data;
    Bytes& u8(unsigned v) { data.push_back(char(v & 0xFF)); return *this; }
    Bytes& u16(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& text(const std::string& s) { data += s; return *this; }
    Bytes& fill(std::size_t count, unsigned v) { data.append(count, char(v & 0xFF)); return *this; }
};

std::vector<SeedFile> GifSeeds();
std::vector<SeedFile> BmpSeeds();
std::vector<SeedFile> PcxTgaIcoSeeds();
std::vector<SeedFile> LibraryFormatSeeds();

}  // namespace kestrel::fuzz
