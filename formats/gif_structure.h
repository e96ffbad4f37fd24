// The block structure of a GIF file, shared by the reader and by whoever
// must tell whether a file has been written to its end without decoding it.
//
// The walk: signature "GIF8" and two version bytes (not compared, as the
// reader does), logical screen descriptor (7 bytes), global colour table
// when flagged; then blocks, each introduced by one byte: 0x21 extension
// (label, then data sub-blocks up to a zero length), 0x2C image (descriptor
// of 9, local colour table when flagged, LZW minimum code size, data
// sub-blocks up to a zero length), 0x3B trailer, which ends the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "image/win_types.h"

constexpr char GIF_SIGNATURE[] = "GIF8";
constexpr std::size_t GIF_SIGNATURE_SIZE = sizeof GIF_SIGNATURE - 1;

// Whether the first GIF_SIGNATURE_SIZE bytes at bytes are the signature.
inline bool IsGifSignature(const BYTE* bytes) { return std::memcmp(bytes, GIF_SIGNATURE, GIF_SIGNATURE_SIZE) == 0; }

// Bytes of the colour table a packed flags byte announces (0 when none).
inline std::size_t GifColourTableBytes(std::uint8_t flags)
{
    return (flags & 0x80) ? 3u * (std::size_t(2) << (flags & 0x07)) : 0;
}

enum class GifCompleteness {
    Complete,    // the trailer was reached
    Incomplete,  // the bytes stop in the middle of the structure
    Damaged,     // not a GIF, or a block the walk does not know
};

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size);

// Reads the stream from where it stands (at most maxBytes of it; a longer
// one is Damaged, as is a null stream) and walks it.
GifCompleteness CheckGifStreamCompleteness(FILE* file, std::size_t maxBytes = std::size_t(64) << 20);
