#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CTiffImage : public CDibImage {
public:
    explicit CTiffImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
