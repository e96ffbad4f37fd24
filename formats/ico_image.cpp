// Icon reader. What it reads, in order (little-endian):
//
//  1. The 6-byte directory header: reserved 0, type 1, entry count (kept as
//     frameCount).
//  2. The 16-byte directory entries: width and height bytes (0 means 256),
//     colour count, reserved, planes, bit count, size in bytes, offset of the
//     image from the start of the file. Only entry frameIndex is decoded.
//  3. The image at that offset: either a PNG file, handed to the PNG reader
//     from a memory stream of the entry's bytes, or a bitmap: a 40-byte
//     BITMAPINFOHEADER, a colour table for 1, 4 and 8 bits (colours used when
//     the header gives fewer than the depth holds), the colour rows bottom-up
//     and the transparency mask, which is not read.
//
// 1-, 4- and 8-bit bitmaps become indexed images, 24-bit ones 24-bit images
// and 32-bit ones 24-bit images with an alpha plane from each pixel's fourth
// byte (opaque when every fourth byte is 0, as in icons that rely on the mask).
//
// Damage: a bad directory header or a frameIndex outside the directory gives
// false with no message; other bitmap depths, a directory or bitmap header cut
// short and allocation failures give false with a message. A colour table or
// rows cut short leave the rest clear.
#include "formats/ico_image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/byte_cursor.h"
#include "formats/byte_reads.h"

// Failure texts.
namespace ico_messages {

inline constexpr const char* SHORT_DIRECTORY = "Icon directory is cut short";
inline constexpr const char* SHORT_IMAGE = "Icon image is cut short";
inline constexpr const char* NO_MEMORY = "Can't allocate memory for icon image";
inline constexpr const char* DEPTH = "Icon image has an unsupported bit depth";

}  // namespace ico_messages

namespace {

using namespace ico_messages;

constexpr std::size_t DIRECTORY_HEADER_SIZE = 6;
constexpr std::size_t ENTRY_SIZE = 16;
constexpr std::size_t BITMAP_HEADER_SIZE = 40;
constexpr BYTE PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

bool CIcoImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] { return DecodeOrThrow(file); });
}

bool CIcoImage::DecodeOrThrow(FILE* file)
{
    BYTE header[DIRECTORY_HEADER_SIZE];
    if (!ReadExact(file, header, sizeof header)) return false;
    ByteCursor directory(header, sizeof header);
    std::uint16_t reserved = 0, type = 0, entries = 0;
    if (!directory.U16(reserved) || !directory.U16(type) || !directory.U16(entries)) return false;
    if (reserved != 0 || type != 1) return false;
    const int count = entries;
    m_info.frameCount = count;
    const int index = m_info.frameIndex;
    if (index < 0 || index >= count) return false;

    // Entries before the chosen one are only stepped over.
    if (std::fseek(file, long(index) * long(ENTRY_SIZE), SEEK_CUR) != 0)
        throw SHORT_DIRECTORY;
    BYTE entry[ENTRY_SIZE];
    if (!ReadExact(file, entry, sizeof entry)) throw SHORT_DIRECTORY;
    // Width and height (0 meaning 256), colours, reserved, planes and bit
    // count, then the image's size and offset.
    constexpr std::size_t COLOURS_TO_BIT_COUNT = 6;
    ByteCursor fields(entry, sizeof entry);
    std::uint8_t width8 = 0, height8 = 0;
    std::uint32_t size32 = 0, offset32 = 0;
    if (!fields.Byte(width8) || !fields.Byte(height8) || !fields.Skip(COLOURS_TO_BIT_COUNT) || !fields.U32(size32) ||
        !fields.U32(offset32))
        throw SHORT_DIRECTORY;
    const int width = width8 == 0 ? 256 : width8;
    const int height = height8 == 0 ? 256 : height8;
    const DWORD size = size32;
    const long offset = long(offset32);
    m_info.transparentIndex = -1;

    BYTE signature[sizeof PNG_SIGNATURE];
    if (std::fseek(file, offset, SEEK_SET) != 0 || !ReadExact(file, signature, sizeof signature))
        throw SHORT_IMAGE;
    if (std::memcmp(signature, PNG_SIGNATURE, sizeof signature) == 0) {
        return DecodePngEntry(file, offset, size);
    } else {
        std::fseek(file, offset, SEEK_SET);
        DecodeBitmapEntry(file, width, height);
    }
    return true;
}

// The PNG reader sees only the entry's own bytes, so it can neither read past
// the entry nor depend on where the file stands.
bool CIcoImage::DecodePngEntry(FILE* file, long offset, DWORD size)
{
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::int64_t bytes = end - offset;
    if (size != 0 && size < bytes) bytes = size;
    if (bytes <= 0 || std::uint64_t(bytes) > MAX_DIB_BYTES) throw SHORT_IMAGE;
    BYTE* data = static_cast<BYTE*>(std::malloc(std::size_t(bytes)));
    if (!data) throw NO_MEMORY;
    std::fseek(file, offset, SEEK_SET);
    const std::size_t got = std::fread(data, 1, std::size_t(bytes), file);
    FILE* stream = fmemopen(data, got, "rb");
    if (!stream) {
        std::free(data);
        throw NO_MEMORY;
    }

    // A successful decode replaces the whole settings record; the directory's
    // own settings are put back afterwards.
    const DibImageInfo own = m_info;
    const bool ok = CDibImage::Decode(stream, ImageFormat::Png);
    std::fclose(stream);
    std::free(data);
    m_info.format = own.format;
    m_info.frameIndex = own.frameIndex;
    m_info.frameCount = own.frameCount;
    if (ok) return true;
    char message[sizeof m_info.lastError];
    std::snprintf(message, sizeof message, "PNG icon image could not be read: %.200s",
                  m_info.lastError[0] ? m_info.lastError : "no reason given");
    SetLastError(message);
    return false;
}

void CIcoImage::DecodeBitmapEntry(FILE* file, int width, int height)
{
    BYTE header[BITMAP_HEADER_SIZE];
    if (!ReadExact(file, header, sizeof header)) throw SHORT_IMAGE;
    // The size, width, height and planes before the bit count are the
    // directory entry's business; compression and sizes sit before the
    // colours used.
    constexpr std::size_t BEFORE_BIT_COUNT = 14, BIT_COUNT_TO_COLOURS_USED = 16;
    ByteCursor fields(header, sizeof header);
    std::uint16_t bitCount16 = 0;
    std::uint32_t coloursUsed32 = 0;
    if (!fields.Skip(BEFORE_BIT_COUNT) || !fields.U16(bitCount16) || !fields.Skip(BIT_COUNT_TO_COLOURS_USED) ||
        !fields.U32(coloursUsed32))
        throw SHORT_IMAGE;
    const int bitCount = bitCount16;
    const DWORD coloursUsed = coloursUsed32;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        throw DEPTH;

    if (!Create(width, height, bitCount, m_info.format)) throw NO_MEMORY;
    if (bitCount <= 8) {
        int colours = int(m_header.biClrUsed);
        if (coloursUsed != 0 && coloursUsed < DWORD(colours)) colours = int(coloursUsed);
        RGBQUAD table[256] = {};
        ReadExact(file, table, std::size_t(colours) * sizeof(RGBQUAD));  // short: the rest stays black
        SetPalette(table, colours);
        ReadExact(file, m_info.pixels, std::size_t(m_info.stride) * std::size_t(height));
        return;
    }
    if (bitCount == 24) {
        ReadExact(file, m_info.pixels, std::size_t(m_info.stride) * std::size_t(height));
        return;
    }

    // 32 bits: blue, green, red, alpha per pixel, rows 4-byte aligned by nature.
    if (!CreateAlpha()) throw NO_MEMORY;
    BYTE row[256 * 4];
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const std::size_t got = std::fread(row, 1, std::size_t(width) * 4, file);
        std::memset(row + got, 0, sizeof row - got);
        BYTE* pixel = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
        for (int x = 0; x < width; ++x) {
            std::memcpy(pixel + 3 * x, row + 4 * x, 3);
            SetAlpha(x, y, row[4 * x + 3]);
            anyAlpha = anyAlpha || row[4 * x + 3] != 0;
        }
    }
    if (!anyAlpha) DeleteAlpha();
}
