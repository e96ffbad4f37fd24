// CTiffImage: reads one page of a TIFF file through libtiff into its own
// CDibImage.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/dib_image.h"

struct tiff;  // libtiff's handle (TIFF)

// The tags of one page that steer the reader, with the values they keep when
// the page lacks them.
struct TiffPageTags {
    std::uint16_t compression = 1;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t bitsPerSample = 1;
    std::uint32_t rowsPerStrip = 0xFFFFFFFFu;
    std::uint16_t photometric = 0;
    std::uint16_t planarConfig = 1;
};

class CTiffImage : public CDibImage {
public:
    explicit CTiffImage(ImageFormat format) : CDibImage(format) {}

    // Reads the page frameIndex from the stream, sets frameCount to the
    // number of pages. True with a complete picture; false with lastError set.
    bool Decode(FILE* file);

private:
    // Each of these throws a message text on failure.
    TiffPageTags SelectPage(tiff* handle);
    void CreateImage(const TiffPageTags& tags, int bitCount);
    void ReadRowsPage(tiff* handle, const TiffPageTags& tags);
    void ReadRgbaPage(tiff* handle, const TiffPageTags& tags);
    void BuildColourTable(tiff* handle, const TiffPageTags& tags);
    void ReadStrips(tiff* handle, const TiffPageTags& tags);
    void ReadTiles(tiff* handle, const TiffPageTags& tags);
    // Stores `count` file rows of `rowBytes` each from `block`, the first of
    // them being image row firstRow (counted from the top).
    void StoreFileRows(BYTE* block, std::uint64_t rowBytes, std::uint32_t firstRow,
                       std::uint32_t count, const TiffPageTags& tags);
};
