// Whether a shot file is whole, judged from its bytes, for the follower: a
// file still being written is not shown before it is.
//
//   GIF   the trailer is reached (gif_structure.h)
//   PNG   the IEND chunk is there, whole
//   JPEG  the end-of-image marker is reached, walking the segments and the
//         entropy-coded data (an embedded thumbnail's marker does not count)
//
// The other formats have no end that tells: they are never Complete, and the
// follower takes them once their size has settled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class ShotCompleteness {
    Complete,    // the format's end was reached
    Incomplete,  // the bytes stop before it (or the format has no end to see)
    Damaged,     // not of the format, or more bytes than are looked at
};

ShotCompleteness CheckPngCompleteness(const std::uint8_t* bytes, std::size_t size);
ShotCompleteness CheckJpegCompleteness(const std::uint8_t* bytes, std::size_t size);

// The regular file at path, as its extension's format (GIF when it names
// none), at most maxBytes of it.
ShotCompleteness CheckShotFileCompleteness(const std::string& path, std::size_t maxBytes = std::size_t(64) << 20);
