// Whether a GIF file has been written to its end, told from its block
// structure alone (no LZW decoding), so a shot still being written is not
// shown half done.
//
// The walk follows GIF89a: signature and version (6 bytes), logical screen
// descriptor (7), global colour table when flagged; then blocks, each
// introduced by one byte: 0x21 extension (label, then data sub-blocks up to
// a zero length), 0x2C image (descriptor of 9, local colour table when
// flagged, LZW minimum code size, data sub-blocks up to a zero length),
// 0x3B trailer, which ends the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class GifCompleteness {
    Complete,    // the trailer was reached
    Incomplete,  // the bytes stop in the middle of the structure
    Damaged,     // not a GIF, or a block the walk does not know
};

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size);

// Reads the file (at most maxBytes of it; a longer file is Damaged, as is
// one that cannot be read) and walks it.
GifCompleteness CheckGifFileCompleteness(const std::string& path, std::size_t maxBytes = 64u << 20);
