// The TIFF reader's rows path: pages that are not read as RGBA arrive strip
// by strip, or tile by tile, as rows of packed samples exactly as the file
// holds them ((samples x bits x width + 7) / 8 bytes each), and are stored:
//  - 16-bit samples narrowed to their high byte (libtiff hands them over in
//    the machine's byte order);
//  - single 2-bit samples widened to the 4-bit image's nibbles;
//  - anything else copied as packed, at most one stored row's bytes.
// Tiles are first laid side by side into a band of whole file rows, so a
// tiled page gives the same image as the same page in strips.
//
// Damage: every buffer size is computed in 64 bits and capped; a buffer that
// cannot be had, or a strip or tile libtiff cannot decode, ends the read.
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/packed_rows.h"
#include "formats/tiff_image.h"
#include "formats/tiff_messages.h"

namespace {

struct CFreer {
    void operator()(BYTE* block) const { std::free(block); }
};
using Buffer = std::unique_ptr<BYTE, CFreer>;

// A buffer of rows x rowBytes, or null when that is more than an image may
// take or cannot be allocated.
Buffer AllocateRows(std::uint64_t rows, std::uint64_t rowBytes)
{
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(rows, rowBytes, &bytes) || bytes > CDibImage::MAX_DIB_BYTES)
        return nullptr;
    return Buffer(static_cast<BYTE*>(std::calloc(bytes == 0 ? 1 : std::size_t(bytes), 1)));
}

// Width is at most INT32_MAX here (the image exists), so this cannot overflow.
std::uint64_t BitsPerPixel(const TiffPageTags& tags)
{
    return std::uint64_t(tags.samplesPerPixel) * tags.bitsPerSample;
}

std::uint64_t PackedBytes(std::uint64_t pixels, const TiffPageTags& tags)
{
    return (BitsPerPixel(tags) * pixels + 7) / 8;
}

}  // namespace

void CTiffImage::ReadStrips(TIFF* handle, const TiffPageTags& tags)
{
    const std::uint64_t height = tags.height;
    const std::uint64_t rowBytes = PackedBytes(tags.width, tags);
    // libtiff refuses a RowsPerStrip of 0; should one get through, it would
    // never advance, so it stands for the whole image.
    const std::uint64_t rowsPerStrip = tags.rowsPerStrip == 0 ? height : tags.rowsPerStrip;
    const Buffer buffer = AllocateRows(rowsPerStrip < height ? rowsPerStrip : height, rowBytes);
    if (!buffer) throw tiff_messages::NO_STRIP_BUFFER;

    for (std::uint64_t row = 0; row < height; row += rowsPerStrip) {
        const std::uint64_t rows = rowsPerStrip < height - row ? rowsPerStrip : height - row;
        const std::uint32_t strip = TIFFComputeStrip(handle, std::uint32_t(row), 0);
        const tmsize_t wanted = tmsize_t(rows * rowBytes);
        const tmsize_t got = TIFFReadEncodedStrip(handle, strip, buffer.get(), wanted);
        if (got == -1) throw tiff_messages::CORRUPT;
        // A strip shorter than it should be leaves zeros, not the last strip.
        if (got < wanted) std::memset(buffer.get() + got, 0, std::size_t(wanted - got));
        StoreFileRows(buffer.get(), rowBytes, std::uint32_t(row), std::uint32_t(rows), tags);
    }
}

void CTiffImage::ReadTiles(TIFF* handle, const TiffPageTags& tags)
{
    std::uint32_t tileWidth = 0;
    std::uint32_t tileLength = 0;
    TIFFGetField(handle, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(handle, TIFFTAG_TILELENGTH, &tileLength);
    if (tileWidth == 0 || tileLength == 0) throw tiff_messages::CORRUPT;

    const std::uint64_t width = tags.width;
    const std::uint64_t height = tags.height;
    const std::uint64_t bitsPerPixel = BitsPerPixel(tags);
    const std::uint64_t rowBytes = PackedBytes(width, tags);
    const std::uint64_t tileRowBytes = PackedBytes(tileWidth, tags);
    const Buffer band = AllocateRows(tileLength < height ? tileLength : height, rowBytes);
    const Buffer tile = AllocateRows(tileLength, tileRowBytes);
    if (!band || !tile) throw tiff_messages::NO_TILE_BUFFER;
    const tmsize_t tileBytes = tmsize_t(tileLength * tileRowBytes);

    for (std::uint64_t y0 = 0; y0 < height; y0 += tileLength) {
        const std::uint64_t rows = tileLength < height - y0 ? tileLength : height - y0;
        // The tiles of a band cover every pixel of its rows; the bits past
        // the last pixel stay as calloc left them.
        for (std::uint64_t x0 = 0; x0 < width; x0 += tileWidth) {
            const std::uint32_t index =
                TIFFComputeTile(handle, std::uint32_t(x0), std::uint32_t(y0), 0, 0);
            const tmsize_t got = TIFFReadEncodedTile(handle, index, tile.get(), tileBytes);
            if (got == -1) throw tiff_messages::CORRUPT;
            if (got < tileBytes) std::memset(tile.get() + got, 0, std::size_t(tileBytes - got));
            const std::uint64_t columns = tileWidth < width - x0 ? tileWidth : width - x0;
            for (std::uint64_t k = 0; k < rows; ++k)
                CopyBits(tile.get() + k * tileRowBytes, 0, band.get() + k * rowBytes,
                         x0 * bitsPerPixel, columns * bitsPerPixel);
        }
        StoreFileRows(band.get(), rowBytes, std::uint32_t(y0), std::uint32_t(rows), tags);
    }
}

// File rows k of the block go to stored row height - 1 - (firstRow + k):
// the file's top row ends in the last stored row.
void CTiffImage::StoreFileRows(BYTE* block, std::uint64_t rowBytes, std::uint32_t firstRow,
                               std::uint32_t count, const TiffPageTags& tags)
{
    const std::size_t width = tags.width;
    const std::size_t stride = std::size_t(m_info.stride);
    const std::size_t copyBytes = rowBytes < stride ? std::size_t(rowBytes) : stride;
    const bool narrow = tags.bitsPerSample == 16;
    const bool widen = tags.bitsPerSample == 2 && m_header.biBitCount == 4;
    const std::size_t lastRow = std::size_t(m_header.biHeight) - 1;

    for (std::uint32_t k = count; k-- > 0;) {
        BYTE* fileRow = block + k * rowBytes;
        BYTE* stored = m_info.pixels + (lastRow - (std::size_t(firstRow) + k)) * stride;
        if (narrow) {
            for (std::size_t j = 0; j < width; ++j) {
                std::uint16_t sample = 0;
                std::memcpy(&sample, fileRow + 2 * j, sizeof sample);
                fileRow[j] = BYTE(sample >> 8);
            }
        }
        if (widen)
            WidenTwoBitRow(fileRow, stored, width);
        else
            std::memcpy(stored, fileRow, copyBytes);
    }
}
