// CPcxImage: reader for run-length encoded PCX files (format code 7).
#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CPcxImage : public CDibImage {
public:
    explicit CPcxImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    void DecodeOrThrow(FILE* file, BYTE*& expanded, BYTE*& line);
};
