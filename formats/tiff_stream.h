// libtiff reading through an open stdio stream instead of a file name.
#pragma once

#include <cstdio>

#include <tiffio.h>

// Opens a libtiff read handle over `file`, with the handle's messages and
// limits taken from `options` (may be null). libtiff reads at the stream's
// own offsets through the stream's read and seek calls or, with
// `mapWholeStream`, from a heap copy of the whole stream when it fits in one
// block. The stream stays the caller's: TIFFClose on the handle leaves it
// open. Null when the stream does not hold a readable TIFF header and first
// directory.
TIFF* OpenTiffOverStream(FILE* file, TIFFOpenOptions* options, bool mapWholeStream = false);
