// CGifImage: reads the first image of a GIF (87a or 89a) file into an indexed
// bitmap of 1, 4 or 8 bits. The blocks are walked by GifBlockWalker
// (gif_structure.h) and the raster data decoded by GifLzwDecoder
// (gif_lzw.h); see gif_image.cpp for the order in which the file is read and
// how damage is met.
#pragma once

#include <cstdio>

#include "formats/gif_lzw.h"
#include "image/dib_image.h"

class GifBlockWalker;

class CGifImage : public CDibImage {
public:
    explicit CGifImage(ImageFormat format);

    CGifImage(const CGifImage&) = delete;
    CGifImage& operator=(const CGifImage&) = delete;

    // False for a null file or a file that does not start with "GIF8"; true
    // otherwise, including files that end early or hold corrupt raster data.
    bool Decode(FILE* file);

private:
    class Rows;

    // Decode without the failure boundary.
    bool DecodeStream(FILE* file);
    bool ReadGraphicControl(GifBlockWalker& walker);
    void ApplyColourTable(const BYTE* colourTable, int colourCount);

    GifLzwDecoder lzw;
};
