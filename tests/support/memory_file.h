// Bytes held in memory opened as a read-only stdio stream, so a reader can be
// fed a file built in code without touching the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/dib_image.h"

namespace kestrel::test {

// A stream over the bytes, which must outlive it; close with fclose.
FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes);

// Opens the bytes and runs image.Decode(file, format) on them.
bool DecodeBytes(const std::vector<std::uint8_t>& bytes, CDibImage& image,
                 ImageFormat format = ImageFormat::Gif);

}  // namespace kestrel::test
