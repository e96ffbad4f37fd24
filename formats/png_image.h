#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CPngImage : public CDibImage {
public:
    explicit CPngImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
