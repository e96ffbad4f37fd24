// Moving packed pixel values between rows of different layouts, for readers
// whose libraries hand over rows the DIB cannot hold as they are.
#pragma once

#include <cstddef>

#include "image/win_types.h"

// Widens `width` 2-bit values (four per byte, first pixel in the two highest
// bits) into 4-bit values (two per byte, first pixel in the high nibble).
// src and dst may be the same buffer: the work runs from the last pixel to
// the first, so no value is overwritten before it is read. dst must hold
// (width + 1) / 2 bytes.
void WidenTwoBitRow(const BYTE* src, BYTE* dst, std::size_t width);

// Copies `count` bits from src, starting at bit srcBit, into dst at bit
// dstBit. Bits are numbered from the most significant bit of the first byte,
// as packed pixels are in TIFF and DIB rows. Bits of dst outside the target
// range are kept. The buffers must not overlap.
void CopyBits(const BYTE* src, std::size_t srcBit, BYTE* dst, std::size_t dstBit,
              std::size_t count);
