// Packing one decoded GIF line (one index byte per pixel) into a DIB row of
// 1, 4 or 8 bits per pixel.
#pragma once

#include <cstddef>

#include "image/win_types.h"

// Stores the first count pixels of line into row: 8 bits one byte each;
// 4 bits two per byte, the even pixel in the high nibble; 1 bit eight per
// byte, the first in the most significant bit. Indices are masked to the
// depth. Only those pixels' bits change, so a short line leaves the rest of
// its row as it was.
void PackGifRow(BYTE* row, const BYTE* line, int count, int bitCount);

// The same for one depth, as a function chosen once for this processor, for
// callers that pack many lines. count must be above 0.
using GifRowPacker = void (*)(BYTE* row, const BYTE* line, int count);
GifRowPacker GifRowPackerFor(int bitCount);

// Every packer of a depth this processor can run, the one GifRowPackerFor
// gives first (so that each can be checked against the others). Returns how
// many it put in packers.
constexpr std::size_t MAX_GIF_ROW_PACKERS = 3;
std::size_t GifRowPackersFor(int bitCount, GifRowPacker (&packers)[MAX_GIF_ROW_PACKERS]);
