#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CIcoImage : public CDibImage {
public:
    explicit CIcoImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
