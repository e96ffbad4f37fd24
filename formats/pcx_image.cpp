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

// Failure texts.
namespace pcx_messages {

inline constexpr const char* SHORT_HEADER = "Can't read PCX image";
inline constexpr const char* NOT_PCX = "Error: Not a PCX file";
inline constexpr const char* ENCODING = "PCX file has unknown encoding scheme";
inline constexpr const char* EMPTY_WINDOW = "PCX image window is empty";
inline constexpr const char* PLANES = "Can't handle image with more than 4 planes";
inline constexpr const char* DEPTH = "Can't handle bits per pixel image with planes.";
inline constexpr const char* LINE_TOO_SMALL = "PCX bytes per line too small for the width";
inline constexpr const char* NO_MEMORY = "Can't allocate memory for PCX image";
inline constexpr const char* CORRUPTED = "corrupted PCX";
inline constexpr const char* RUN_TOO_LONG = "repeat count spans end of image";
inline constexpr const char* COLOUR_MAP = "bad color map signature";
inline constexpr const char* PLANE_DEPTH = "Can't handle more than 1 bit per pixel";

}  // namespace pcx_messages

// The fields of the fixed header this reader uses, in file order, and the
// layout worked out from them.
struct PcxHeader {
    std::uint8_t manufacturer = 0, version = 0, encoding = 0, bitsPerPixel = 0;
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    BYTE palette[16][3] = {};  // the 16-colour table
    std::uint8_t planes = 0;
    std::uint16_t bytesPerLine = 0;

    int width = 0, height = 0, depth = 0;
    std::int64_t lineBytes = 0;  // a scan line: every plane's bytes
};

namespace {

using namespace pcx_messages;

constexpr std::size_t HEADER_SIZE = 128;

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

// The header, checked, with the image's size and depth.
PcxHeader ReadHeader(FILE* file)
{
    BYTE bytes[HEADER_SIZE];
    PcxHeader header;
    if (std::fread(bytes, 1, HEADER_SIZE, file) != HEADER_SIZE || !ParsePcxHeader(bytes, header)) throw SHORT_HEADER;
    if (header.manufacturer != 10) throw NOT_PCX;
    if (header.encoding != 1) throw ENCODING;

    const int bits = header.bitsPerPixel;
    const int planes = header.planes;
    if (header.xMax < header.xMin || header.yMax < header.yMin) throw EMPTY_WINDOW;
    header.width = header.xMax - header.xMin + 1;
    header.height = header.yMax - header.yMin + 1;

    if (bits == 1) {
        if (planes >= 5) throw PLANES;
        header.depth = planes == 3 ? 24 : planes == 4 ? 4 : 1;
    } else if (bits == 2 || bits == 4 || bits == 8) {
        if (planes == 1)
            header.depth = bits;
        else if (planes == 3)
            header.depth = 24;
        else
            throw DEPTH;
    } else {
        throw DEPTH;
    }
    if (std::int64_t(header.bytesPerLine) * 8 < std::int64_t(header.width) * bits) throw LINE_TOO_SMALL;
    header.lineBytes = std::int64_t(planes) * header.bytesPerLine;
    return header;
}

// The run-length data, expanded into one buffer of every scan line (malloc'd
// into `expanded`); the file must be able to fill it.
void ExpandRunLength(FILE* file, const PcxHeader& header, BYTE*& expanded)
{
    const std::int64_t total = header.lineBytes * header.height;
    const std::int64_t left = BytesLeft(file);
    if (total > MAX_EXPANDED_BYTES) throw NO_MEMORY;
    if (left >= 0 && total > left * MAX_EXPANSION_PER_BYTE) throw CORRUPTED;
    expanded = static_cast<BYTE*>(std::malloc(std::size_t(total > 0 ? total : 1)));
    if (!expanded) throw NO_MEMORY;
    std::int64_t filled = 0;
    while (filled < total) {
        const int code = std::fgetc(file);
        if (code == EOF) throw CORRUPTED;
        if ((code & 0xC0) != 0xC0) {
            expanded[filled++] = BYTE(code);
            continue;
        }
        const int count = code & 0x3F;
        const int value = std::fgetc(file);
        if (value == EOF) throw CORRUPTED;
        if (count > total - filled) throw RUN_TOO_LONG;
        std::memset(expanded + filled, value, std::size_t(count));
        filled += count;
    }
}

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
    const PcxHeader header = ReadHeader(file);
    if (!Create(header.width, header.height, header.depth, m_info.format)) throw NO_MEMORY;
    ExpandRunLength(file, header, expanded);
    ReadColourTable(file, header);
    // A file without planes holds no pixels: every pixel keeps index 0, and
    // a large window costs nothing.
    if (header.planes == 0) return;
    StoreScanLines(header, expanded, line);
}

// The working colour table: the header's 16 entries, the 256 after the data
// of an 8-bit single-plane file, fixed black and white for monochrome.
void CPcxImage::ReadColourTable(FILE* file, const PcxHeader& header)
{
    BYTE colours[256][3] = {};
    std::memcpy(colours, header.palette, sizeof header.palette);
    if (header.bitsPerPixel == 8 && header.planes == 1) {
        if (std::fgetc(file) != 12) throw COLOUR_MAP;
        if (std::fread(colours, 1, sizeof colours, file) != sizeof colours) {
            // a short table keeps what was read; the rest stays black
        }
    } else if (header.bitsPerPixel == 1 && header.planes == 1) {
        colours[0][0] = colours[0][1] = colours[0][2] = 0;
        colours[1][0] = colours[1][1] = colours[1][2] = 255;
    }
    for (DWORD i = 0; i < m_header.biClrUsed; ++i)
        SetPaletteEntry(BYTE(i), colours[i][0], colours[i][1], colours[i][2], 0);
}

// Scan lines, top of the picture first. The line buffer (malloc'd into
// `line`) holds every pixel a line's bytes can describe: width <= 8 x bytes
// per line.
void CPcxImage::StoreScanLines(const PcxHeader& header, const BYTE* expanded, BYTE*& line)
{
    const int bits = header.bitsPerPixel;
    const int planes = header.planes;
    const int width = header.width;
    const int height = header.height;
    const int depth = header.depth;
    const std::int64_t bytesPerLine = header.bytesPerLine;
    const std::int64_t lineBytes = header.lineBytes;
    line = static_cast<BYTE*>(std::malloc(std::size_t(width + 8 * bytesPerLine)));
    if (!line) throw NO_MEMORY;
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
            if (bits != 1) throw PLANE_DEPTH;
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
