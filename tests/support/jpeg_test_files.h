// JPEG files for tests, encoded in memory with libjpeg's own compressor.
#pragma once

#include <cstdio>

#include <jpeglib.h>

#include <string>
#include <vector>

namespace kestrel::test {

struct JpegRecipe {
    int width = 8;
    int height = 8;
    int components = 3;                 // 1, 3 or 4
    J_COLOR_SPACE input = JCS_RGB;      // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK
    J_COLOR_SPACE stored = JCS_UNKNOWN; // colour space in the file; UNKNOWN = libjpeg's default
    bool progressive = false;
    unsigned restartInterval = 0;       // MCUs between restart markers; 0 = none
    int quality = 100;
    std::vector<JSAMPLE> pixels;        // rows top first, components interleaved
};

std::string WriteJpeg(const JpegRecipe& recipe);

// jpeg with its frame header's width and height (SOF0 or SOF2) rewritten.
std::string WithFrameSize(std::string jpeg, int width, int height);

}  // namespace kestrel::test
