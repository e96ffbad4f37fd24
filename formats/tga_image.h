// CTgaImage: reader for Truevision TGA files, plain and run-length (format code 6).
#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CTgaImage : public CDibImage {
public:
    explicit CTgaImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    void DecodeOrThrow(FILE* file);
};
