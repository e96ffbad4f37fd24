#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CGifImage : public CDibImage {
public:
    explicit CGifImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);
};
