// Where the GIF reader's LZW stage gathers decoded pixels: two buffers kept
// for the calling thread from one decode to the next, both inside one window
// of address space that starts on a 4 GiB boundary. A position in either,
// counted from the window's start, is then the low 32 bits of its address,
// which the decoder's inner loop takes with no arithmetic at all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/win_types.h"

struct GifStreamBuffers {
    BYTE* origin = nullptr;  // the window's start; the low 32 bits of its address are 0
    BYTE* first = nullptr;
    BYTE* second = nullptr;
    std::size_t capacity = 0;  // bytes of each
};

// What a buffer is reserved for when the address space allows, and so the
// most a decode may ask for.
constexpr std::size_t GIF_STREAM_BUFFER_BYTES = std::size_t(72) << 20;

// The calling thread's buffers, of at least `needed` bytes each. They are
// reserved at GIF_STREAM_BUFFER_BYTES on the first call, or at `needed` where
// the address space does not allow that: address space only, whose pages
// come as they are first written and then stay for the next decode. `fresh`
// is set when they were reserved by this call (their bytes are then all 0).
// Null pointers when the address space cannot be had.
GifStreamBuffers ThreadGifStreamBuffers(std::size_t needed, bool& fresh);

// Gives back the pages of each buffer from byte `kept` up to byte `used`, so
// that a large picture leaves no more than `kept` bytes of each in memory.
void TrimGifStreamBuffers(const GifStreamBuffers& buffers, std::size_t used, std::size_t kept);

// Where in [start, start + length) a block of `wanted` bytes can lie, from a
// page boundary, without crossing a 4 GiB boundary (the lowest such place),
// or 0 when none can.
std::uintptr_t PlaceInsideWindow(std::uintptr_t start, std::size_t length, std::size_t wanted);
