// CBmpImage: reader for Windows and OS/2 bitmap files (format code 0).
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/dib_image.h"

class CBmpImage : public CDibImage {
public:
    explicit CBmpImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    void DecodeOrThrow(FILE* file);
    void ReadRunLength(FILE* file, bool nibbles);
    static std::int64_t ReadRows(FILE* file, BYTE* rows, std::int64_t rowBytes, std::int64_t count);
    std::int64_t ReadTwoBitRows(FILE* file, std::int64_t height);
    void ConvertMaskedPixels(const BYTE* source, const std::uint32_t masks[4], std::int64_t count);
    void ConvertHeldRows(const BYTE* source, DWORD red, DWORD green, DWORD blue, int bitCount, std::int64_t rows);
    void FlipRows(std::int64_t rowsHeld);
};
