// TGA reader. What it reads, in order (little-endian):
//
//  1. The 18-byte header: ID length, colour map type, image type (1, 2, 3
//     plain; 9, 10, 11 run-length; 3 and 11 grey), colour map first index,
//     length and entry size, origin, width, height, pixel depth, descriptor
//     (bits 0-3 attribute bits per pixel, bit 4 right to left, bit 5 top to
//     bottom).
//  2. The ID field, skipped.
//  3. The colour map: length entries of 15/16 (5-5-5), 24 (blue, green, red)
//     or 32 bits (blue, green, red, alpha). Entry i is the colour of index
//     first + i (a map may start at index 2, say); entries that land past
//     index 255 are read and dropped.
//  4. The pixel rows, plain or as packets: a byte h < 128 is followed by h + 1
//     raw pixels, h >= 128 by one pixel repeated h - 127 times. A packet that
//     runs past the end of a row goes on in the next row.
//
// 8-bit files become 8-bit indexed images (grey types get a grey table); 24-bit
// files stay 24-bit; 16- and 32-bit files become 24-bit images, with an alpha
// plane only when the descriptor's attribute bits say the pixels carry alpha.
// 16-bit grey files (types 3 and 11) hold a grey byte and an alpha byte per
// pixel: they become 8-bit grey images, with the alpha plane by the same rule.
//
// Damage: "corrupted TGA" when the file has ended before a row starts; a file
// ending inside the last row leaves the rest of it clear. Nothing is written
// past a row or outside the image.
#include "formats/tga_image.h"

#include <cstdint>
#include <cstring>

#include "formats/byte_cursor.h"
#include "formats/byte_reads.h"

// Failure texts.
namespace tga_messages {

inline constexpr const char* NOT_TGA = "Not a TGA";
inline constexpr const char* NO_IMAGE = "TGA Create failed";
inline constexpr const char* IMAGE_TYPE = "Unknown TGA image type";
inline constexpr const char* CORRUPTED = "corrupted TGA";

}  // namespace tga_messages

// The fixed header, in file order.
struct TgaHeader {
    std::uint8_t idLength = 0, colourMapType = 0, imageType = 0;
    std::uint16_t mapFirst = 0, mapLength = 0;
    std::uint8_t mapEntryBits = 0;
    std::uint16_t xOrigin = 0, yOrigin = 0, width = 0, height = 0;
    std::uint8_t depth = 0, descriptor = 0;

    bool Grey() const { return imageType == 3 || imageType == 11; }
    bool GreyAlpha() const { return Grey() && depth == 16; }
    bool RunLength() const { return imageType == 9 || imageType == 10 || imageType == 11; }
};

namespace {

using namespace tga_messages;

constexpr std::size_t HEADER_SIZE = 18;

bool ParseTgaHeader(const BYTE (&bytes)[HEADER_SIZE], TgaHeader& h)
{
    ByteCursor at(bytes, sizeof bytes);
    return at.Byte(h.idLength) && at.Byte(h.colourMapType) && at.Byte(h.imageType) &&
           at.U16(h.mapFirst) && at.U16(h.mapLength) && at.Byte(h.mapEntryBits) &&
           at.U16(h.xOrigin) && at.U16(h.yOrigin) && at.U16(h.width) && at.U16(h.height) &&
           at.Byte(h.depth) && at.Byte(h.descriptor);
}

// One pixel as read from the file, in the image's own terms.
struct Pixel {
    BYTE bytes[3] = {0, 0, 0};  // the index, or blue, green, red
    BYTE alpha = 255;
};

// The pixel layout of one file, and where its pixels go.
class TgaPixels {
public:
    // greyAlpha: 16-bit pixels are a grey byte and an alpha byte.
    TgaPixels(CDibImage& image, FILE* file, int depth, bool greyAlpha)
        : m_image(image), m_file(file), m_depth(depth), m_greyAlpha(greyAlpha) {}

    // Reads one pixel; false at the end of the file.
    bool Read(Pixel& pixel)
    {
        BYTE b[4];
        switch (m_depth) {
        case 8:
            if (std::fread(b, 1, 1, m_file) != 1) return false;
            pixel.bytes[0] = b[0];
            return true;
        case 16: {
            if (std::fread(b, 1, 2, m_file) != 2) return false;
            if (m_greyAlpha) {
                pixel.bytes[0] = b[0];
                pixel.alpha = b[1];
                return true;
            }
            const unsigned v = b[0] | (unsigned(b[1]) << 8);
            pixel.bytes[0] = BYTE((v & 0x1F) << 3);
            pixel.bytes[1] = BYTE((v >> 2) & 0xF8);
            pixel.bytes[2] = BYTE((v >> 7) & 0xF8);
            pixel.alpha = (v & 0x8000) ? 0x80 : 0;
            return true;
        }
        case 24:
            return std::fread(pixel.bytes, 1, 3, m_file) == 3;
        case 32:
            if (std::fread(b, 1, 4, m_file) != 4) return false;
            std::memcpy(pixel.bytes, b, 3);
            pixel.alpha = b[3];
            return true;
        default:
            return false;
        }
    }

    void Store(int x, int y, const Pixel& pixel)
    {
        BYTE* row = m_image.Info().pixels + std::size_t(y) * std::size_t(m_image.Info().stride);
        if (m_image.BitCount() == 24)
            std::memcpy(row + 3 * std::size_t(x), pixel.bytes, 3);
        else if (m_image.BitCount() == 8)
            row[x] = pixel.bytes[0];
        m_image.SetAlpha(x, y, pixel.alpha);
    }

    bool Decodable() const { return m_depth == 8 || m_depth == 16 || m_depth == 24 || m_depth == 32; }

private:
    CDibImage& m_image;
    FILE* m_file;
    int m_depth;
    bool m_greyAlpha;
};

// Colour map entries of any size, entry i for index first + i; entries past
// the image's table are read and dropped.
void ReadColourMap(CDibImage& image, FILE* file, int first, int length, int entryBits)
{
    const int entryBytes = (entryBits + 7) / 8;
    BYTE b[32] = {};  // room for the largest entry an 8-bit size field can give
    for (int i = 0; i < length; ++i) {
        if (entryBytes > 0 && std::fread(b, 1, std::size_t(entryBytes), file) != std::size_t(entryBytes)) return;
        const int index = first + i;
        if (index > 255) continue;
        if (entryBytes == 2) {
            const unsigned v = b[0] | (unsigned(b[1]) << 8);
            image.SetPaletteEntry(BYTE(index), BYTE((v >> 7) & 0xF8), BYTE((v >> 2) & 0xF8), BYTE((v & 0x1F) << 3),
                                  0);
        } else if (entryBytes == 1) {
            image.SetPaletteEntry(BYTE(index), b[0], b[0], b[0], 0);
        } else if (entryBytes >= 3) {
            image.SetPaletteEntry(BYTE(index), b[2], b[1], b[0], 0);
        }
    }
}

}  // namespace

bool CTgaImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] { DecodeOrThrow(file); });
}

void CTgaImage::DecodeOrThrow(FILE* file)
{
    BYTE bytes[HEADER_SIZE];
    TgaHeader header;
    if (std::fread(bytes, 1, HEADER_SIZE, file) != HEADER_SIZE || !ParseTgaHeader(bytes, header)) throw NOT_TGA;
    if (header.idLength > 0) std::fseek(file, header.idLength, SEEK_CUR);
    CreateImage(header);
    if (header.colourMapType != 0) ReadColourMap(*this, file, header.mapFirst, header.mapLength, header.mapEntryBits);
    if (header.Grey()) SetGreyPalette();
    if (!header.RunLength() && header.imageType != 1 && header.imageType != 2 && header.imageType != 3)
        throw IMAGE_TYPE;
    // Depths that carry no pixels we read leave nothing to mirror.
    if (ReadRows(file, header) && (header.descriptor & 0x10)) MirrorHorizontal();
}

// 16- and 32-bit colour becomes 24-bit, with an alpha plane when the
// attribute bits say the pixels carry alpha; 16-bit grey becomes 8-bit.
void CTgaImage::CreateImage(const TgaHeader& header)
{
    const int depth = header.depth;
    const bool hasAlpha = (depth == 16 || depth == 32) && (header.descriptor & 0x0F) != 0;
    Create(header.width, header.height, header.GreyAlpha() ? 8 : depth == 16 || depth == 32 ? 24 : depth,
           m_info.format);
    if (IsEmpty()) throw NO_IMAGE;
    if (hasAlpha && !CreateAlpha()) throw NO_IMAGE;
}

// The pixel rows, plain or as packets, in the order the descriptor gives.
// False for a depth whose pixels are not read.
bool CTgaImage::ReadRows(FILE* file, const TgaHeader& header)
{
    const int width = header.width;
    const int height = header.height;
    const bool runLength = header.RunLength();
    TgaPixels pixels(*this, file, header.depth, header.GreyAlpha());
    if (!pixels.Decodable()) return false;

    // Packet state lives across rows, so a packet that crosses a row end
    // continues in the next row.
    int packetLeft = 0;
    bool packetIsRun = false;
    Pixel runPixel;
    bool ended = false;
    for (int r = 0; r < height && !ended; ++r) {
        // The file has ended before this row: only the last row may be short.
        if (std::feof(file)) throw CORRUPTED;
        const int y = (header.descriptor & 0x20) ? height - 1 - r : r;
        for (int x = 0; x < width; ++x) {
            Pixel pixel;
            if (!runLength) {
                if (!pixels.Read(pixel)) { ended = true; break; }
                pixels.Store(x, y, pixel);
                continue;
            }
            if (packetLeft == 0) {
                const int h = std::fgetc(file);
                if (h == EOF) { ended = true; break; }
                packetIsRun = h >= 128;
                packetLeft = packetIsRun ? h - 127 : h + 1;
                if (packetIsRun && !pixels.Read(runPixel)) { ended = true; break; }
            }
            if (packetIsRun) {
                pixel = runPixel;
            } else if (!pixels.Read(pixel)) {
                ended = true;
                break;
            }
            pixels.Store(x, y, pixel);
            --packetLeft;
        }
        if (ended && r < height - 1) throw CORRUPTED;
    }
    return true;
}
