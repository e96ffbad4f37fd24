// CPcxImage: reader for run-length encoded PCX files (format code 7).
#pragma once

#include <cstdio>

#include "image/dib_image.h"

struct PcxHeader;

class CPcxImage : public CDibImage {
public:
    explicit CPcxImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    // The steps, in file order.
    void DecodeOrThrow(FILE* file, BYTE*& expanded, BYTE*& line);
    void ReadColourTable(FILE* file, const PcxHeader& header);
    void StoreScanLines(const PcxHeader& header, const BYTE* expanded, BYTE*& line);
};
