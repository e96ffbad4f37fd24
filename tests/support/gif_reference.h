// A second GIF decoder for the tests, written the plainest way: one byte at a
// time, every code spelled out on a pixel stack, every pixel set on its own.
// It behaves as the reader is meant to, quirks included, so the fast reader
// can be compared with it on any input, byte for byte.
#pragma once

#include "image/dib_image.h"
#include "tests/support/gif_writer.h"

namespace kestrel::test {

// Decodes a GIF held in memory into image (which should be empty and made
// for ImageFormat::Gif), as CGifImage::Decode would through the loader.
// Returns what Decode returns; on false the image is left as it was.
bool ReferenceDecodeGif(const GifBytes& file, CDibImage& image);

}  // namespace kestrel::test
