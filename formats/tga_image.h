// CTgaImage: reader for Truevision TGA files, plain and run-length (format code 6).
#pragma once

#include <cstdio>

#include "image/dib_image.h"

struct TgaHeader;

class CTgaImage : public CDibImage {
public:
    explicit CTgaImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    // The steps, in file order.
    void DecodeOrThrow(FILE* file);
    void CreateImage(const TgaHeader& header);
    bool ReadRows(FILE* file, const TgaHeader& header);
};
