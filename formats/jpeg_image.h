#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CJpegImage : public CDibImage {
public:
    explicit CJpegImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
