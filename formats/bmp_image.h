// CBmpImage: reader for Windows and OS/2 bitmap files (format code 0).
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/dib_image.h"

struct BmpHeader;

class CBmpImage : public CDibImage {
public:
    explicit CBmpImage(ImageFormat format) : CDibImage(format) {}
    bool Decode(FILE* file);

private:
    // The steps, in file order.
    void DecodeOrThrow(FILE* file);
    std::int64_t CreateImage(const BmpHeader& header);
    void ReadColourTable(FILE* file, const BmpHeader& header, long start, std::uint32_t pixelOffset);
    std::int64_t ReadPixels(FILE* file, const BmpHeader& header, std::int64_t height);
    std::int64_t ReadSixteenBitRows(FILE* file, const BmpHeader& header, std::int64_t height);
    std::int64_t ReadThirtyTwoBitRows(FILE* file, const BmpHeader& header, std::int64_t height);
    void ReadRunLength(FILE* file, bool nibbles);
    static std::int64_t ReadRows(FILE* file, BYTE* rows, std::int64_t rowBytes, std::int64_t count);
    std::int64_t ReadTwoBitRows(FILE* file, std::int64_t height);
    void ConvertMaskedPixels(const BYTE* source, const std::uint32_t masks[4], std::int64_t count);
    void ConvertHeldRows(const BYTE* source, DWORD red, DWORD green, DWORD blue, int bitCount, std::int64_t rows);
    void FlipRows(std::int64_t rowsHeld);
};
