// CIcoImage: reader for one image of a Windows icon file (format code 4).
#pragma once

#include <cstdio>

#include "image/dib_image.h"

class CIcoImage : public CDibImage {
public:
    explicit CIcoImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    bool DecodeOrThrow(FILE* file);
    bool DecodePngEntry(FILE* file, long offset, DWORD size);
    void DecodeBitmapEntry(FILE* file, int width, int height);
};
