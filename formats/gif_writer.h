// Writing animated GIF files (GIF89a), piece by piece, so that frames can be
// encoded on any thread and joined in order:
//
//   GifScreenBytes(...)   "GIF89a", the screen descriptor, the global colour
//                         table and the looping extension ("NETSCAPE2.0",
//                         loop count 0: forever);
//   GifFrameBytes(...)    per frame: a graphic control extension (delay,
//                         transparent index, disposal), the image
//                         descriptor at 0,0, a local colour table where the
//                         frame's differs from the global one, the raster
//                         data: minimum code size, LZW codes in sub-blocks of
//                         255 bytes, the zero-length terminator;
//   GIF_TRAILER           the closing byte.
//
// The LZW encoder is the usual greedy one: the longest string in the table is
// sent, the table starts with a clear code and starts over with another one
// when it holds 4096 codes, and the stream ends with the end code.
// Every function here is a pure function of its arguments: the same frame
// gives the same bytes on any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/dib_image.h"

using GifByteString = std::vector<std::uint8_t>;

constexpr std::uint8_t GIF_TRAILER = 0x3B;

// A colour table: size entries of red, green, blue; size is a power of two
// from 2 to 256.
struct GifColourTable {
    int size = 2;
    std::array<std::uint8_t, 768> rgb{};
    bool operator==(const GifColourTable& other) const;
};

// One frame: indices top row first, width bytes a row, each below the
// table's size.
struct GifFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    GifColourTable table;
    int transparentIndex = -1;  // -1: none
    int delay = 0;              // hundredths of a second
    int disposal = 1;           // 1: leave in place, 2: restore to background
};

// The frame of an indexed image (1, 4 or 8 bits): its indices turned top
// row first, its colour table cut to the smallest power of two that holds
// every index used, the transparent index and every entry that differs
// from what a reader puts in place of entries a file lacks (black, or white
// when a transparent index is set), so a reader gives the image back as it
// was. False for an empty or 24-bit image.
bool GifFrameFromImage(const CDibImage& image, int delay, GifFrame& frame);

// The frame of a true-colour picture (top-down RGB, 3 bytes a pixel), each
// pixel put to the nearest colour of one fixed table of 6 reds, 7 greens and
// 6 blues, the same for every frame, so an animation of such frames needs
// only the global table.
void GifFrameFromRgb(const std::uint8_t* rgb, int width, int height, int delay, GifFrame& frame);

// The first bytes of a file whose screen is width by height, with global
// as its global colour table, looping forever.
GifByteString GifScreenBytes(int width, int height, const GifColourTable& global);

// The bytes of one frame placed at 0,0; its table goes out as a local one
// only when it differs from global.
GifByteString GifFrameBytes(const GifFrame& frame, const GifColourTable& global);

// The minimum code size for a table of this many entries (2 to 8).
int GifMinimumCodeSize(int tableSize);

// The LZW codes of count pixels (each below 1 << minCodeSize), packed least
// significant bit first, not yet cut into sub-blocks.
GifByteString GifLzwEncode(const std::uint8_t* pixels, std::size_t count, int minCodeSize);
