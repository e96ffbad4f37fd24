#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CPcxImage : public CDibImage {
public:
    explicit CPcxImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
