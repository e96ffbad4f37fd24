// Bytes held in memory opened as a read-only stdio stream, so a reader can be
// fed a file built in code without touching the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/dib_image.h"

namespace kestrel::test {

// A stream over the bytes, which must outlive it; close with fclose.
FILE* OpenMemoryFile(const void* data, std::size_t size);
FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes);

// Decodes bytes with the reader for format into image through a memory
// stream, as Load would from a file. frameIndex is set on image first, for
// the icon and TIFF readers.
bool DecodeFromBytes(CDibImage& image, const std::string& bytes, ImageFormat format, int frameIndex = 0);

}  // namespace kestrel::test
