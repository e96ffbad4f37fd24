// BMP reader. What it reads, in order (all fields little-endian):
//
//  1. An optional 14-byte file header: "BM", file size, reserved, offset of the
//     pixel data. Without "BM" the file is a bare bitmap that starts with its
//     info header, and the pixel data follows the colour table.
//  2. The info header: the 12-byte OS/2 core header (16-bit width, height,
//     planes, bit count), an OS/2 2.x header of 16 to 39 bytes (the 40-byte
//     layout cut short; the fields it leaves out are 0), or a Windows header
//     of 40 bytes or more. Of a larger header only the first 40 bytes and the
//     colour masks at bytes 40-55 (red, green, blue, alpha) are used; the rest
//     is skipped, so whatever the size, the colour table starts right after
//     the header the file declares. After a 40-byte header the masks follow
//     it: three with compression 3 (bit fields), four with 6 (alpha bit fields).
//  3. The colour table of an indexed image: as many entries as the header's
//     colours-used field says (all 2, 4, 16 or 256 when it is 0), never more than
//     fit before the pixel-data offset; 4-byte entries (blue, green, red and the
//     fourth byte, all kept as stored), 3-byte after a core header. Entries the
//     file does not hold stay zero.
//  4. The pixel data: bottom-up rows padded to 4 bytes, or run-length data
//     (compression 1 for 8 bits, 2 for 4 bits). A negative height means the
//     rows are stored top-down; the picture is turned upright after reading.
//
// 1-, 4- and 8-bit files keep their depth and table, and 2-bit files become
// 4-bit images with the same indices; 16-, 24- and 32-bit files become 24-bit
// images. 16-bit files with bit fields use their own masks, others are 5-5-5.
// 32-bit files with bit fields use their masks, each field scaled to 8 bits,
// and an alpha mask gives an alpha plane; without masks (compression 0) bytes
// 0, 1, 2 of each pixel are blue, green, red.
//
// Damage: a short colour table or short plain pixel data leaves the rest zero
// and still reads. Run-length data never writes past a row end or outside the
// image, and the decoder stops at the end of the file. Every size is worked out
// in 64 bits and bounded by what Create accepts; rows the file does not hold
// are neither converted nor turned, so a short file costs little.
#include "formats/bmp_image.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/byte_cursor.h"
#include "formats/byte_reads.h"

// Failure texts.
namespace bmp_messages {

inline constexpr const char* NOT_BMP = "Not a BMP";
inline constexpr const char* BAD_INFO = "Error reading BMP info";
inline constexpr const char* NO_IMAGE = "Can't allocate memory";
inline constexpr const char* NO_PIXEL_BUFFER = "can't allocate memory";
inline constexpr const char* RUN_LENGTH_DEPTH = "compression type not supported";
inline constexpr const char* COMPRESSION = "unknown compression";

}  // namespace bmp_messages

// What the reader takes from whichever info header the file carries.
struct BmpHeader {
    bool core = false;
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::int32_t xPelsPerMetre = 0;
    std::int32_t yPelsPerMetre = 0;
    std::uint32_t coloursUsed = 0;
    bool hasMasks = false;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (0: none)
};

namespace {

using namespace bmp_messages;

constexpr std::uint32_t CORE_HEADER_SIZE = 12;
constexpr std::uint32_t OS2_SHORTEST_HEADER_SIZE = 16;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t MASKS_SIZE = 12;
constexpr std::uint32_t MASK_SIZE = 4;
constexpr std::uint32_t BIT_FIELDS = 3;
constexpr std::uint32_t ALPHA_BIT_FIELDS = 6;

int ReadByte(FILE* file) { return std::fgetc(file); }

int DpiFromPelsPerMetre(LONG pelsPerMetre)
{
    return int(std::floor(double(pelsPerMetre) * 0.0254 + 0.5));
}

// One channel of a 32-bit pixel with bit fields: the field under its mask,
// scaled to 0..255 so that the field's largest value gives 255 whatever its
// width (a 1-bit alpha field gives 0 or 255, a 10-bit field 1023 -> 255).
class MaskedChannel {
public:
    explicit MaskedChannel(std::uint32_t mask) : m_mask(mask)
    {
        if (mask == 0) return;
        m_shift = std::countr_zero(mask);
        m_largest = (std::uint64_t(1) << std::bit_width(mask >> m_shift)) - 1;
    }

    BYTE operator()(std::uint32_t pixel) const
    {
        const std::uint64_t field = (pixel & m_mask) >> m_shift;
        if (m_largest == 255 || m_largest == 0) return BYTE(field);  // 8-bit fields, the usual case, as they are
        return BYTE((field * 255 + m_largest / 2) / m_largest);
    }

private:
    std::uint32_t m_mask;
    int m_shift = 0;
    std::uint64_t m_largest = 0;
};

// The file header, when there is one: "BM", the file's size, two reserved
// words, the pixels' offset from start. Gives that offset, or 0 for a bare
// info header (the pixels then follow the colour table), leaving the file
// at the info header.
std::uint32_t ReadFileHeader(FILE* file, long start)
{
    BYTE fileHeader[14];
    if (!ReadExact(file, fileHeader, sizeof fileHeader)) throw NOT_BMP;
    ByteCursor fields(fileHeader, sizeof fileHeader);
    std::uint8_t b = 0, m = 0;
    std::uint32_t fileSize = 0, reserved = 0, pixelOffset = 0;
    if (!(fields.Byte(b) && fields.Byte(m) && fields.U32(fileSize) && fields.U32(reserved) && fields.U32(pixelOffset)))
        throw NOT_BMP;
    if (b == 'B' && m == 'M') return pixelOffset;
    if (std::fseek(file, start, SEEK_SET) != 0) throw NOT_BMP;
    return 0;
}

BmpHeader ReadInfoHeader(FILE* file)
{
    BmpHeader header;
    BYTE bytes[INFO_HEADER_SIZE] = {};
    if (!ReadExact(file, bytes, 4)) throw BAD_INFO;
    header.size = Le32(bytes);
    ByteCursor fields(bytes + 4, sizeof bytes - 4);
    std::uint16_t planes = 0, bitCount = 0;
    if (header.size == CORE_HEADER_SIZE) {
        if (!ReadExact(file, bytes + 4, CORE_HEADER_SIZE - 4)) throw BAD_INFO;
        std::uint16_t width = 0, height = 0;
        if (!(fields.U16(width) && fields.U16(height) && fields.U16(planes) && fields.U16(bitCount)))
            throw BAD_INFO;
        header.core = true;
        header.width = width;
        header.height = height;
        header.bitCount = bitCount;
        return header;
    }
    // OS/2 2.x headers stop after any field from the bit count on; what they
    // leave out stays 0.
    const bool os2Short = header.size >= OS2_SHORTEST_HEADER_SIZE && header.size < INFO_HEADER_SIZE;
    const std::uint32_t stored = os2Short ? header.size : INFO_HEADER_SIZE;
    if (!ReadExact(file, bytes + 4, stored - 4)) throw BAD_INFO;
    std::uint32_t width = 0, height = 0, imageSize = 0, xPels = 0, yPels = 0;
    if (!(fields.U32(width) && fields.U32(height) && fields.U16(planes) && fields.U16(bitCount) &&
          fields.U32(header.compression) && fields.U32(imageSize) && fields.U32(xPels) && fields.U32(yPels) &&
          fields.U32(header.coloursUsed)))
        throw BAD_INFO;
    header.width = std::int32_t(width);
    header.height = std::int32_t(height);
    header.bitCount = bitCount;
    header.xPelsPerMetre = std::int32_t(xPels);
    header.yPelsPerMetre = std::int32_t(yPels);

    // Larger headers carry the masks at bytes 40-55 (alpha from 56 bytes on);
    // a 40-byte header with bit fields is followed by three of them, or four
    // with alpha bit fields.
    std::uint32_t extra = header.size > INFO_HEADER_SIZE ? header.size - INFO_HEADER_SIZE : 0;
    const bool bitFields = header.compression == BIT_FIELDS || header.compression == ALPHA_BIT_FIELDS;
    if (bitFields && (extra >= MASKS_SIZE || header.size == INFO_HEADER_SIZE)) {
        std::uint32_t maskBytes = MASKS_SIZE;
        if (extra >= MASKS_SIZE + MASK_SIZE ||
            (header.size == INFO_HEADER_SIZE && header.compression == ALPHA_BIT_FIELDS))
            maskBytes += MASK_SIZE;
        BYTE masks[MASKS_SIZE + MASK_SIZE];
        if (ReadExact(file, masks, maskBytes)) {
            header.hasMasks = true;
            ByteCursor maskFields(masks, maskBytes);
            for (std::uint32_t& mask : header.masks) maskFields.U32(mask);
        }
        extra -= std::min(extra, maskBytes);
    }
    if (extra > 0 && std::fseek(file, long(extra), SEEK_CUR) != 0) throw BAD_INFO;
    return header;
}

}  // namespace

bool CBmpImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] { DecodeOrThrow(file); });
}

void CBmpImage::DecodeOrThrow(FILE* file)
{
    const long start = std::max(std::ftell(file), 0L);
    const std::uint32_t pixelOffset = ReadFileHeader(file, start);
    const BmpHeader header = ReadInfoHeader(file);
    const std::int64_t height = CreateImage(header);
    ReadColourTable(file, header, start, pixelOffset);
    if (pixelOffset != 0 && std::fseek(file, long(start) + long(pixelOffset), SEEK_SET) != 0)
        return;  // nothing to read: the rows stay clear
    const std::int64_t rowsHeld = ReadPixels(file, header, height);
    if (header.height < 0) FlipRows(rowsHeld);
}

// The image the header describes, upright whichever way its rows are
// stored; gives its height.
std::int64_t CBmpImage::CreateImage(const BmpHeader& header)
{
    const std::int64_t height = header.height < 0 ? -std::int64_t(header.height) : header.height;
    if (height > INT32_MAX) throw NO_IMAGE;
    m_header.biXPelsPerMeter = header.xPelsPerMetre;
    m_header.biYPelsPerMeter = header.yPelsPerMetre;
    if (!Create(header.width, int(height), header.bitCount, m_info.format)) throw NO_IMAGE;
    m_info.xDpi = DpiFromPelsPerMetre(header.xPelsPerMetre);
    m_info.yDpi = DpiFromPelsPerMetre(header.yPelsPerMetre);
    return height;
}

// The table of an indexed image, or the one a true-colour bare bitmap may
// carry before its pixels (skipped).
void CBmpImage::ReadColourTable(FILE* file, const BmpHeader& header, long start, std::uint32_t pixelOffset)
{
    const std::int64_t tableStart = std::ftell(file);
    if (m_header.biClrUsed > 0) {
        const std::uint32_t entrySize = header.core ? 3 : 4;
        // A 2-bit file holds 4 entries, though its 4-bit image has room for 16.
        std::uint32_t entries = header.bitCount == 2 ? 4 : m_header.biClrUsed;
        if (header.coloursUsed != 0 && header.coloursUsed < entries) entries = header.coloursUsed;
        if (pixelOffset != 0 && tableStart >= 0) {
            const std::int64_t room = (std::int64_t(start) + pixelOffset - tableStart) / entrySize;
            if (room >= 0 && room < entries) entries = std::uint32_t(room);
        }
        BYTE table[256 * 4] = {};
        ReadExact(file, table, std::size_t(entries) * entrySize);  // a short table reads as zeros
        RGBQUAD* palette = GetPalette();
        for (std::uint32_t i = 0; i < entries; ++i) {
            const BYTE* entry = table + i * entrySize;
            palette[i] = RGBQUAD{entry[0], entry[1], entry[2], BYTE(entrySize == 4 ? entry[3] : 0)};
        }
    } else if (pixelOffset == 0 && header.coloursUsed > 0 && !header.core) {
        std::fseek(file, long(std::min<std::uint32_t>(header.coloursUsed, 1u << 24) * 4), SEEK_CUR);
    }
}

// The pixel data of every depth. Gives the rows, in stored order, that the
// file filled. The rest stay clear, so the conversions and the turn of a
// top-down file leave them alone and a short file costs no more than its
// own size.
std::int64_t CBmpImage::ReadPixels(FILE* file, const BmpHeader& header, std::int64_t height)
{
    switch (header.bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
        if (header.compression == 0 && header.bitCount == 2) return ReadTwoBitRows(file, height);
        if (header.compression == 0) return ReadRows(file, m_info.pixels, m_info.stride, height);
        if (header.compression != 1 && header.compression != 2) throw RUN_LENGTH_DEPTH;
        ReadRunLength(file, header.compression == 2);
        return height;
    case 16:
        return ReadSixteenBitRows(file, header, height);
    case 24:
        if (header.compression != 0) throw COMPRESSION;
        return ReadRows(file, m_info.pixels, m_info.stride, height);
    case 32:
        return ReadThirtyTwoBitRows(file, header, height);
    default:
        return 0;  // no pixel data is read for other depths
    }
}

// The 16-bit rows are never longer than the 24-bit rows, so they are read
// into the image and widened in place.
std::int64_t CBmpImage::ReadSixteenBitRows(FILE* file, const BmpHeader& header, std::int64_t height)
{
    const std::int64_t width = header.width;
    const std::int64_t rowsHeld = ReadRows(file, m_info.pixels, (width + 1) / 2 * 4, height);
    DWORD red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (header.hasMasks && (header.masks[0] | header.masks[1] | header.masks[2]) != 0) {
        red = header.masks[0];
        green = header.masks[1];
        blue = header.masks[2];
    }
    ConvertHeldRows(m_info.pixels, red, green, blue, 16, rowsHeld);
    return rowsHeld;
}

// The 32-bit rows are longer than the image's own, so they need a buffer of
// their own, held to the same cap as an image block and made no larger than
// the rows the file can still give.
std::int64_t CBmpImage::ReadThirtyTwoBitRows(FILE* file, const BmpHeader& header, std::int64_t height)
{
    if (header.compression != 0 && header.compression != BIT_FIELDS && header.compression != ALPHA_BIT_FIELDS)
        throw COMPRESSION;
    const std::int64_t sourceStride = std::int64_t(header.width) * 4;
    if (std::uint64_t(sourceStride) * std::uint64_t(height) > MAX_DIB_BYTES) throw NO_PIXEL_BUFFER;
    std::int64_t rows = height;
    const std::int64_t left = BytesLeft(file);
    if (left >= 0 && sourceStride > 0) rows = std::min(rows, (left + sourceStride - 1) / sourceStride);
    const std::int64_t bytes = sourceStride * rows;
    std::unique_ptr<BYTE, decltype(&std::free)> buffer(
        static_cast<BYTE*>(std::calloc(std::size_t(bytes > 0 ? bytes : 1), 1)), &std::free);
    if (!buffer) throw NO_PIXEL_BUFFER;
    const std::size_t got = std::fread(buffer.get(), 1, std::size_t(bytes), file);
    const std::int64_t rowsHeld = (std::int64_t(got) + sourceStride - 1) / std::max<std::int64_t>(sourceStride, 1);
    // Without masks, or with bit fields whose colour masks are all 0, bytes
    // 0, 1, 2 are blue, green, red.
    std::uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0};
    if (header.compression != 0 && header.hasMasks && (header.masks[0] | header.masks[1] | header.masks[2]) != 0) {
        std::copy(header.masks, header.masks + 4, masks);
        if (masks[3] != 0 && !CreateAlpha()) throw NO_PIXEL_BUFFER;
    }
    ConvertMaskedPixels(buffer.get(), masks, std::int64_t(got / 4));
    return rowsHeld;
}

// Reads up to rows rows of rowBytes each; gives the number of rows that got
// at least one byte.
std::int64_t CBmpImage::ReadRows(FILE* file, BYTE* rows, std::int64_t rowBytes, std::int64_t count)
{
    if (rowBytes <= 0 || count <= 0) return 0;
    const std::size_t got = std::fread(rows, 1, std::size_t(rowBytes * count), file);
    return (std::int64_t(got) + rowBytes - 1) / rowBytes;
}

// Widens only the first rows rows: rows the file never filled are zero
// before and after.
void CBmpImage::ConvertHeldRows(const BYTE* source, DWORD red, DWORD green, DWORD blue, int bitCount,
                                std::int64_t rows)
{
    const LONG height = m_header.biHeight;
    m_header.biHeight = LONG(std::min<std::int64_t>(rows, height));
    Convert16or32To24(source, red, green, blue, bitCount);
    m_header.biHeight = height;
}

// Run-length data, bottom row first: pairs (count, value) repeat a value; a
// zero count escapes to end of line (0), end of bitmap (1), a delta (2, then
// dx and dy in pixels) or an absolute run of 3..255 pixels whose bytes are
// padded to a 16-bit boundary. Pixels outside the image are dropped.
// RLE8 counts bytes. RLE4 counts pixels: a run alternates the value's high
// and low nibble, starting with the high one; an absolute run takes its
// nibbles in order from (n + 1) / 2 bytes.
void CBmpImage::ReadRunLength(FILE* file, bool nibbles)
{
    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = m_header.biHeight;
    std::int64_t x = 0, y = 0;
    auto put = [&](BYTE value) {
        if (x < width && y < height) SetPixelIndex(int(x), int(y), value);
        ++x;
    };
    while (y < height) {
        const int count = ReadByte(file);
        if (count == EOF) return;
        if (count > 0) {
            const int value = ReadByte(file);
            if (value == EOF) return;
            for (int i = 0; i < count; ++i)
                put(BYTE(!nibbles ? value : i % 2 == 0 ? value >> 4 : value & 15));
            continue;
        }
        const int escape = ReadByte(file);
        if (escape == EOF || escape == 1) return;
        if (escape == 0) {
            x = 0;
            ++y;
        } else if (escape == 2) {
            const int dx = ReadByte(file);
            const int dy = ReadByte(file);
            if (dx == EOF || dy == EOF) return;
            x += dx;
            y += dy;
        } else {
            const int dataBytes = nibbles ? (escape + 1) / 2 : escape;
            for (int i = 0; i < dataBytes; ++i) {
                const int value = ReadByte(file);
                if (value == EOF) return;
                if (!nibbles) {
                    put(BYTE(value));
                    continue;
                }
                put(BYTE(value >> 4));
                if (2 * i + 1 < escape) put(BYTE(value & 15));
            }
            if (dataBytes & 1) ReadByte(file);
        }
    }
}

// 2-bit rows, each read into the start of its own 4-bit row and widened there
// from the end: 4-bit byte j takes pixels 2j and 2j + 1, which both sit in
// 2-bit byte j / 2, so no byte is written before it has been read. Gives the
// number of rows that got at least one byte; the rest stay clear.
std::int64_t CBmpImage::ReadTwoBitRows(FILE* file, std::int64_t height)
{
    const std::int64_t width = m_header.biWidth;
    const std::size_t sourceStride = std::size_t((width * 2 + 31) / 32 * 4);
    for (std::int64_t y = 0; y < height; ++y) {
        BYTE* row = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
        const std::size_t got = std::fread(row, 1, sourceStride, file);
        if (got == 0) return y;
        // Past the bytes read, both rows are clear: nothing to widen there.
        const std::int64_t widened = std::min<std::int64_t>((width + 1) / 2, 2 * std::int64_t(got));
        for (std::int64_t j = widened - 1; j >= 0; --j) {
            const unsigned pair = (row[j / 2] >> (j % 2 == 0 ? 4 : 0)) & 15u;
            row[j] = BYTE(((pair >> 2) << 4) | (pair & 3u));
        }
        if (got < sourceStride) return y + 1;
    }
    return height;
}

// 32-bit pixels, the first count of them in file order: each channel, and
// alpha when there is a plane for it, is taken from under its mask. Pixels
// the file never gave are 0 before and after, so they are left alone.
void CBmpImage::ConvertMaskedPixels(const BYTE* source, const std::uint32_t masks[4], std::int64_t count)
{
    const MaskedChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const std::int64_t width = m_header.biWidth;
    for (std::int64_t y = 0; y < m_header.biHeight && y * width < count; ++y) {
        const BYTE* from = source + std::size_t(y * width) * 4;
        BYTE* to = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
        BYTE* alphaRow = m_pAlpha ? m_pAlpha + std::size_t(y * width) : nullptr;
        const std::int64_t end = std::min(width, count - y * width);
        for (std::int64_t x = 0; x < end; ++x) {
            const std::uint32_t pixel = Le32(from + 4 * x);
            to[3 * x] = blue(pixel);
            to[3 * x + 1] = green(pixel);
            to[3 * x + 2] = red(pixel);
            if (alphaRow) alphaRow[x] = alpha(pixel);
        }
    }
}

// Rows of a top-down file were read in file order; swapping them, and their
// alpha rows, puts the bottom row first, as the DIB keeps it. Pairs of rows
// the file never filled are both clear and stay as they are.
void CBmpImage::FlipRows(std::int64_t rowsHeld)
{
    const std::size_t stride = std::size_t(m_info.stride);
    const int height = m_header.biHeight;
    BYTE* pixels = m_info.pixels;
    if (!pixels || stride == 0) return;
    const std::size_t width = std::size_t(m_header.biWidth);
    for (int top = 0, bottom = height - 1; top < bottom && top < rowsHeld; ++top, --bottom) {
        std::swap_ranges(pixels + std::size_t(top) * stride, pixels + std::size_t(top + 1) * stride,
                         pixels + std::size_t(bottom) * stride);
        if (m_pAlpha)
            std::swap_ranges(m_pAlpha + std::size_t(top) * width, m_pAlpha + std::size_t(top + 1) * width,
                             m_pAlpha + std::size_t(bottom) * width);
    }
}
