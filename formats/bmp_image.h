#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CBmpImage : public CDibImage {
public:
    explicit CBmpImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
