// PCX reader. What it reads, in order (little-endian):
//
//  1. The 128-byte header: manufacturer 10, version, encoding 1, bits per pixel
//     per plane, the window xmin, ymin, xmax, ymax, resolutions, a 16-entry
//     colour table (red, green, blue), reserved, planes, bytes per line.
//  2. The run-length data, expanded into one buffer of planes x bytes per line
//     x height: a byte with both top bits set repeats the next byte (its low 6
//     bits) times, any other byte stands for itself. Runs may cross scan lines.
//  3. For 8-bit single-plane files: a byte 12, then 256 red, green, blue
//     triples.
//
// Scan lines run top to bottom, each holding its planes one after another.
// Monochrome files are always black and white; 16-colour files (1 bit, 4
// planes) and 2- and 4-bit files take the header's table; 1 bit in 3 planes
// gives eight colours, planes 0, 1, 2 switching red, green, blue on; 8 bits in
// 3 planes are red, green and blue.
//
// Damage: a window with xmax < xmin or ymax < ymin, bytes per line too small
// for the width, and buffers too large for the file to fill fail with a
// message; the end of the file inside the run-length data is "corrupted PCX";
// a run longer than the data still expected is refused.
#include "formats/pcx_image.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/byte_cursor.h"
#include "formats/byte_reads.h"

namespace {

constexpr std::size_t HEADER_SIZE = 128;

// The fields of the fixed header this reader uses, in file order.
struct PcxHeader {
    std::uint8_t manufacturer = 0, version = 0, encoding = 0, bitsPerPixel = 0;
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    BYTE palette[16][3] = {};  // the 16-colour table
    std::uint8_t planes = 0;
    std::uint16_t bytesPerLine = 0;
};

bool ParsePcxHeader(const BYTE (&bytes)[HEADER_SIZE], PcxHeader& h)
{
    constexpr std::size_t RESOLUTION = 4, RESERVED = 1;
    ByteCursor at(bytes, sizeof bytes);
    return at.Byte(h.manufacturer) && at.Byte(h.version) && at.Byte(h.encoding) && at.Byte(h.bitsPerPixel) &&
           at.U16(h.xMin) && at.U16(h.yMin) && at.U16(h.xMax) && at.U16(h.yMax) &&
           at.Skip(RESOLUTION) && at.Bytes(h.palette, sizeof h.palette) && at.Skip(RESERVED) &&
           at.Byte(h.planes) && at.U16(h.bytesPerLine);
}

// A code byte and a value byte expand to at most 63 bytes.
constexpr std::int64_t MAX_EXPANSION_PER_BYTE = 32;
constexpr std::int64_t MAX_EXPANDED_BYTES = std::int64_t(CDibImage::MAX_DIB_BYTES);

}  // namespace

bool CPcxImage::Decode(FILE* file)
{
    if (!file) return false;
    BYTE* expanded = nullptr;
    BYTE* line = nullptr;
    const bool ok = DecodeGuarded([&] { DecodeOrThrow(file, expanded, line); });
    std::free(expanded);
    std::free(line);
    return ok;
}

void CPcxImage::DecodeOrThrow(FILE* file, BYTE*& expanded, BYTE*& line)
{
    BYTE bytes[HEADER_SIZE];
    PcxHeader header;
    if (std::fread(bytes, 1, HEADER_SIZE, file) != HEADER_SIZE || !ParsePcxHeader(bytes, header))
        throw "Can't read PCX image";
    if (header.manufacturer != 10) throw "Error: Not a PCX file";
    if (header.encoding != 1) throw "PCX file has unknown encoding scheme";

    const int bits = header.bitsPerPixel;
    const int planes = header.planes;
    const int xmin = header.xMin, ymin = header.yMin;
    const int xmax = header.xMax, ymax = header.yMax;
    const std::int64_t bytesPerLine = header.bytesPerLine;
    if (xmax < xmin || ymax < ymin) throw "PCX image window is empty";
    const int width = xmax - xmin + 1;
    const int height = ymax - ymin + 1;

    int depth = 0;
    if (bits == 1) {
        if (planes >= 5) throw "Can't handle image with more than 4 planes";
        depth = planes == 3 ? 24 : planes == 4 ? 4 : 1;
    } else if (bits == 2 || bits == 4 || bits == 8) {
        if (planes == 1)
            depth = bits;
        else if (planes == 3)
            depth = 24;
        else
            throw "Can't handle bits per pixel image with planes.";
    } else {
        throw "Can't handle bits per pixel image with planes.";
    }
    if (bytesPerLine * 8 < std::int64_t(width) * bits) throw "PCX bytes per line too small for the width";

    if (!Create(width, height, depth, m_info.format)) throw "Can't allocate memory for PCX image";

    // 2. Expand the run-length data; the file must be able to fill it.
    const std::int64_t lineBytes = std::int64_t(planes) * bytesPerLine;
    const std::int64_t total = lineBytes * height;
    const std::int64_t left = BytesLeft(file);
    if (total > MAX_EXPANDED_BYTES) throw "Can't allocate memory for PCX image";
    if (left >= 0 && total > left * MAX_EXPANSION_PER_BYTE) throw "corrupted PCX";
    expanded = static_cast<BYTE*>(std::malloc(std::size_t(total > 0 ? total : 1)));
    if (!expanded) throw "Can't allocate memory for PCX image";
    std::int64_t filled = 0;
    while (filled < total) {
        const int code = std::fgetc(file);
        if (code == EOF) throw "corrupted PCX";
        if ((code & 0xC0) != 0xC0) {
            expanded[filled++] = BYTE(code);
            continue;
        }
        const int count = code & 0x3F;
        const int value = std::fgetc(file);
        if (value == EOF) throw "corrupted PCX";
        if (count > total - filled) throw "repeat count spans end of image";
        std::memset(expanded + filled, value, std::size_t(count));
        filled += count;
    }

    // 3. The working colour table.
    BYTE colours[256][3] = {};
    std::memcpy(colours, header.palette, sizeof header.palette);
    if (bits == 8 && planes == 1) {
        if (std::fgetc(file) != 12) throw "bad color map signature";
        if (std::fread(colours, 1, sizeof colours, file) != sizeof colours) {
            // a short table keeps what was read; the rest stays black
        }
    } else if (bits == 1 && planes == 1) {
        colours[0][0] = colours[0][1] = colours[0][2] = 0;
        colours[1][0] = colours[1][1] = colours[1][2] = 255;
    }
    for (DWORD i = 0; i < m_header.biClrUsed; ++i)
        SetPaletteEntry(BYTE(i), colours[i][0], colours[i][1], colours[i][2], 0);

    // A file without planes holds no pixels: every pixel keeps index 0, and
    // a large window costs nothing.
    if (planes == 0) return;

    // 4. Scan lines, top of the picture first. The line buffer holds every
    // pixel a line's bytes can describe: width <= 8 x bytes per line.
    line = static_cast<BYTE*>(std::malloc(std::size_t(width + 8 * bytesPerLine)));
    if (!line) throw "Can't allocate memory for PCX image";
    for (int r = 0; r < height; ++r) {
        const BYTE* scan = expanded + r * lineBytes;
        const int y = height - 1 - r;
        if (planes == 3 && bits == 8) {
            for (int x = 0; x < width; ++x)
                SetPixelColour(x, y, RGB(scan[x], scan[x + bytesPerLine], scan[x + 2 * bytesPerLine]));
            continue;
        }
        if (planes == 1) {
            std::int64_t n = 0;
            for (std::int64_t i = 0; i < bytesPerLine; ++i) {
                const BYTE b = scan[i];
                if (bits == 8) {
                    line[n++] = b;
                } else {
                    for (int shift = 8 - bits; shift >= 0; shift -= bits)
                        line[n++] = BYTE((b >> shift) & ((1 << bits) - 1));
                }
            }
        } else {
            if (bits != 1) throw "Can't handle more than 1 bit per pixel";
            std::memset(line, 0, std::size_t(8 * bytesPerLine));
            for (int plane = 0; plane < planes; ++plane) {
                const BYTE* data = scan + plane * bytesPerLine;
                for (std::int64_t i = 0; i < bytesPerLine; ++i)
                    for (int bit = 0; bit < 8; ++bit)
                        if (data[i] & (0x80 >> bit)) line[8 * i + bit] |= BYTE(1 << plane);
            }
        }
        if (depth == 24) {
            // 1 bit in 3 planes: each plane switches one primary on.
            for (int x = 0; x < width; ++x) {
                const BYTE v = line[x];
                SetPixelColour(x, y, RGB(v & 1 ? 255 : 0, v & 2 ? 255 : 0, v & 4 ? 255 : 0));
            }
        } else {
            for (int x = 0; x < width; ++x) SetPixelIndex(x, y, line[x]);
        }
    }
}
