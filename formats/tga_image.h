#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CTgaImage : public CDibImage {
public:
    explicit CTgaImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
