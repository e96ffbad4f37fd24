// GIF reader (GIF87a and GIF89a): the first image of the file becomes an
// indexed bitmap of 1, 4 or 8 bits with the file's colour table.
//
// What is read, in order (numbers little-endian):
//   1. the 13-byte header: "GIF8" signature (the version bytes are not
//      compared), screen size (ignored), packed byte: global table flag and
//      size code s, the table having 2^(s+1) entries;
//   2. the global colour table, 3 bytes (R, G, B) per entry, when flagged;
//   3. blocks, one introducer byte each:
//        0x21 extension: label, then for 0xF9 (graphic control) a size byte
//             that must be 4 and 4 bytes: flags (bit 0: transparent index
//             given), delay, transparent index; then the sub-blocks of every
//             extension are skipped up to the zero-length terminator;
//        0x2C image: 9-byte descriptor (left, top, width, height, packed
//             byte: local table flag, interlace bit 0x40, size code), the
//             local table when flagged, then the raster data: the LZW
//             minimum code size and data sub-blocks up to a zero length;
//        anything else (the trailer 0x3B too) ends the parse;
//   4. nothing after the first image's raster data is looked at.
//
// How damage is met:
//   - a null file or a signature other than "GIF8": false, no message;
//   - the file ending anywhere in 1-3 (a file shorter than the signature
//     included), a graphic control size other than 4: the parse ends with
//     true, and the image is empty unless one was decoded;
//   - a size Create refuses, a width or height of 0: no pixels are decoded;
//   - minimum code size outside 2..9: no pixels;
//   - raster data that ends (terminator, or the file ends inside a
//     sub-block, whose bytes are then not used) leaves the rows not reached
//     at index 0 (cleared); a code whose bits the terminator cuts
//     off ends the data like an end code; a line cut short by the end code
//     or the terminator is stored as far as it got (only its decoded pixels
//     change), one cut short by the end of the file is not;
//   - the data is read as if a clear code came first, whether or not it
//     does; a code above the next free slot is decoded as if it were that
//     slot; the first code after a clear code is taken as 0 when it is not
//     yet in the table; when the table is full no entries are added until a
//     clear code (a deferred clear works); a string that does not fit the
//     4096-byte stack (only codes above the next free slot can make a chain
//     of prefixes loop) stops the decoder: the lines completed before it
//     stay, the line it was filling and the rest of the image stay 0;
//   - more lines than the image has: a non-interlaced image stops at its
//     bottom row; an interlaced one, after its fourth pass, fills rows
//     0, 1, 2, ... once more and then keeps storing every further line on row
//     0 (the picture's top row).
//
// The blocks are walked by GifBlockWalker over the file's bytes, staged from
// the stream as the walk goes; the raster data goes to GifLzwDecoder as
// sub-block spans, and its lines come back to Rows, which places them.
#include "formats/gif_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "formats/byte_reads.h"
#include "formats/gif_row_packing.h"
#include "formats/gif_structure.h"
#include "image/byte_shuffle.h"

// Failure texts.
namespace gif_messages {

inline constexpr const char* NO_IMAGE = "Can't allocate memory for GIF image";

}  // namespace gif_messages

namespace {

constexpr std::uint8_t GRAPHIC_CONTROL_LABEL = 0xF9;
constexpr int GRAPHIC_CONTROL_SIZE = 4;

inline void Copy16(BYTE* to, const BYTE* from)
{
    BYTE chunk[16];
    std::memcpy(chunk, from, 16);
    std::memcpy(to, chunk, 16);
}

// Copies count bytes exactly, 16 at a time; the last 16 overlap the ones
// before when count is not a multiple of 16.
inline void CopyLine(BYTE* to, const BYTE* from, std::size_t count)
{
    if (count < 16) {
        std::memcpy(to, from, count);
        return;
    }
    std::size_t done = 0;
    for (; done + 16 <= count; done += 16) Copy16(to + done, from + done);
    if (done < count) Copy16(to + count - 16, from + count - 16);
}

#ifdef KESTREL_BYTE_SHUFFLE
// Colour table entries four at a time with SSSE3's byte shuffle, where the
// processor has it: red, green, blue to blue, green, red, 0. The sixteen
// bytes read for four entries stay within count entries. Returns how many
// entries it wrote.
[[gnu::target("ssse3")]] DWORD ShuffleColourEntries(const BYTE* rgb, DWORD count, RGBQUAD* palette)
{
    const __m128i reorder = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    DWORD i = 0;
    for (; i + 6 <= count; i += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(palette + i), _mm_shuffle_epi8(bytes, reorder));
    }
    return i;
}
#endif

}  // namespace

// Where the decoded lines go in the bitmap. A non-interlaced image fills the
// picture from the top, which in the bottom-up DIB is row height - 1; an
// interlaced one goes pass by pass (see PutLine).
class CGifImage::Rows final : public GifLineSink {
public:
    Rows(CGifImage& image, bool interlaced)
        : m_image(image),
          m_interlaced(interlaced),
          m_height(image.m_header.biHeight),
          m_row(m_height - 1),
          m_rowStart(image.GetPixels() + std::size_t(image.m_info.stride) * std::size_t(m_height > 0 ? m_height - 1 : 0))
    {
    }

    std::size_t PutLines(const BYTE* pixels, std::size_t count) override;
    void PutShortLine(const BYTE* line, std::size_t length) override { PutLine(line, int(length)); }
    // A non-interlaced image that is full takes no more lines.
    bool Full() const override { return !m_interlaced && m_row < 0; }
    // Clears the rows of a non-interlaced image no line reached, from the
    // row the next line would go to down to the bottom.
    void ClearRowsLeft();

private:
    bool PutLine(const BYTE* line, int length);
    // A non-interlaced row is written once: a whole line leaves only the
    // bytes after its pixels (padding, and a last byte of 1- or 4-bit
    // pixels only partly written) to clear first, a short line the row.
    void ClearRowFor(BYTE* row, int count) const
    {
        const std::size_t stride = std::size_t(m_image.m_info.stride);
        if (count < m_image.m_header.biWidth) std::memset(row, 0, stride);
        else std::memset(row + stride - 4, 0, 4);
    }

    CGifImage& m_image;
    const bool m_interlaced;
    const int m_height;
    int m_row;          // DIB row the next line goes to
    BYTE* m_rowStart;   // first byte of that row
    int m_passRow = 0;  // interlaced: picture row (0 = top) of the next line
    int m_passStep = 8;
    int m_passNumber = 0;  // interlace passes finished
};

CGifImage::CGifImage(ImageFormat format) : CDibImage(format) {}

bool CGifImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] { return DecodeStream(file); });
}

bool CGifImage::DecodeStream(FILE* file)
{
    using Kind = GifBlockWalker::Kind;
    GifBlockWalker walker(file);
    GifBlockWalker::Block block = walker.Next();
    if (block.kind == Kind::NotGif) return block.shortSignature;
    if (block.kind != Kind::Screen) return true;

    // The walk moves on past a table, so the one in force is kept here.
    BYTE colourTable[3 * 256];
    int colourCount = block.colourCount;
    const bool hasTable = block.colourTable != nullptr;
    if (hasTable) std::memcpy(colourTable, block.colourTable, 3 * std::size_t(colourCount));

    for (;;) {
        block = walker.Next();
        if (block.kind == Kind::Extension) {
            if (block.label == GRAPHIC_CONTROL_LABEL && !ReadGraphicControl(walker)) return true;
            // The rest of its sub-blocks is skipped by the next step of the walk.
        } else if (block.kind == Kind::Image) {
            if (block.colourTable) colourCount = block.colourCount;
            const int width = block.width;
            const int height = block.height;
            const int bitCount = colourCount <= 2 ? 1 : colourCount <= 16 ? 4 : 8;
            // Created with format code 0, as GIF images have always been made here.
            // A picture too large to hold is a failed load, not an empty success.
            // The rows of a non-interlaced image are cleared as it goes (see
            // Rows); an interlaced one is cleared whole first.
            const bool interlaced = (block.flags & 0x40) != 0;
            if (!(interlaced ? Create(width, height, bitCount, ImageFormat(0))
                             : CreateUncleared(width, height, bitCount, ImageFormat(0)))) {
                SetLastError(gif_messages::NO_IMAGE);
                return false;
            }
            if (block.colourTable) ApplyColourTable(block.colourTable, colourCount);
            else if (hasTable) ApplyColourTable(colourTable, colourCount);
            Rows rows(*this, interlaced);
            const int minCodeSize = walker.MinCodeSize();
            // A line of no pixels, or an image of no lines, has nowhere to go.
            if (minCodeSize >= 0 && width > 0 && height > 0) lzw.Decode(minCodeSize, walker, rows, width, height);
            rows.ClearRowsLeft();
            return true;
        } else {
            return true;
        }
    }
}

// The 0xF9 block's one sub-block: flags, delay, transparent index. Any other
// size ends the parse (false).
bool CGifImage::ReadGraphicControl(GifBlockWalker& walker)
{
    const BYTE* block = nullptr;
    if (walker.NextSubBlock(block) != GRAPHIC_CONTROL_SIZE) return false;
    if (block[0] & 1) m_info.transparentIndex = block[3];
    m_info.frameDelay = Le16(block + 1);
    return true;
}

// With a transparent index every entry the table lacks is white. A full
// table is kept as the file gives it: pictures use entry 255 like any other.
void CGifImage::ApplyColourTable(const BYTE* colourTable, int colourCount)
{
    RGBQUAD* palette = GetPalette();
    if (!palette) return;
    const bool transparent = m_info.transparentIndex != -1;
    const DWORD wanted = DWORD(transparent ? 256 : colourCount);
    const DWORD count = wanted < m_header.biClrUsed ? wanted : m_header.biClrUsed;
    const DWORD given = std::min(count, DWORD(colourCount));
    // Red, green, blue from the file become blue, green, red and a reserved
    // byte of 0 (as Create left it) in one word: the entry and the next
    // entry's first byte, read as one big-endian word, shifted down a byte.
    // Two entries at a time come the same way from the eight bytes that
    // hold them and two more; four at a time by a byte shuffle where the
    // processor has one.
    DWORD i = 0;
#ifdef KESTREL_BYTE_SHUFFLE
    if (HasByteShuffle()) i = ShuffleColourEntries(colourTable, given, palette);
#endif
    for (; i + 3 <= given; i += 2) {
        const std::uint64_t bytes = Be64(colourTable + 3 * i);
        const std::uint64_t pair = (bytes >> 40) | ((bytes >> 16 & 0xFFFFFF) << 32);
        std::memcpy(palette + i, &pair, 8);
    }
    for (; i + 1 < given; ++i) {
        const std::uint32_t word = Be32(colourTable + 3 * i) >> 8;
        std::memcpy(palette + i, &word, 4);
    }
    for (; i < given; ++i) {
        palette[i].rgbRed = colourTable[3 * i];
        palette[i].rgbGreen = colourTable[3 * i + 1];
        palette[i].rgbBlue = colourTable[3 * i + 2];
    }
    for (DWORD i = given; i < count; ++i) palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = 255;
}

// Stores every whole line of pixels; a non-interlaced image that is full
// stops taking them.
std::size_t CGifImage::Rows::PutLines(const BYTE* pixels, std::size_t count)
{
    const int lineWidth = m_image.m_header.biWidth;
    const std::size_t width = std::size_t(lineWidth);
    std::size_t taken = 0;
    if (!m_interlaced) {
        // What PutLine does for these lines, without a call per line.
        // The cursor is kept in locals: the copies could alias it otherwise.
        // The bytes after a line's pixels (padding, and a last byte of 1- or
        // 4-bit pixels only partly written) are cleared first.
        const int bitCount = m_image.m_header.biBitCount;
        const std::size_t stride = std::size_t(m_image.m_info.stride);
        const bool padded = width * std::size_t(bitCount) != stride * 8;
        int row = m_row;
        BYTE* rowStart = m_rowStart;
        auto store = [&](auto packLine) {
            for (; count - taken >= width && row >= 0; taken += width) {
                if (padded) std::memset(rowStart + stride - 4, 0, 4);
                packLine(rowStart, pixels + taken);
                if (--row >= 0) rowStart -= stride;
            }
        };
        if (bitCount == 8) {
            store([width](BYTE* to, const BYTE* line) { CopyLine(to, line, width); });
        } else {
            const GifRowPacker pack = GifRowPackerFor(bitCount);
            store([pack, lineWidth](BYTE* to, const BYTE* line) { pack(to, line, lineWidth); });
        }
        m_row = row;
        m_rowStart = rowStart;
        return taken;
    }
    while (count - taken >= width) {
        PutLine(pixels + taken, lineWidth);
        taken += width;
    }
    return taken;
}

// Stores one line of `length` pixels (at most the image width). A
// non-interlaced line goes to the current row, which then moves one row
// down the picture; past the bottom row it is refused (false). An
// interlaced line goes to the row of the current pass (GIF89a: passes start
// at picture rows 0, 4, 2, 1 with steps 8, 8, 4, 2; a pass starting below
// the bottom is skipped). After the fourth pass the rows are filled once
// more from row 0 with step 1, and after that every line lands on row 0.
bool CGifImage::Rows::PutLine(const BYTE* line, int length)
{
    const int width = m_image.m_header.biWidth;
    const int count = length < 0 ? 0 : length > width ? width : length;
    const int bitCount = m_image.m_header.biBitCount;
    const std::size_t stride = std::size_t(m_image.m_info.stride);
    if (!m_interlaced) {
        if (!m_image.IsInside(0, m_row)) return false;
        ClearRowFor(m_rowStart, count);
        PackGifRow(m_rowStart, line, count, bitCount);
        if (--m_row >= 0) m_rowStart -= stride;
        return true;
    }
    m_row = m_height - m_passRow - 1;
    m_rowStart = m_image.GetPixels() + stride * std::size_t(m_row);
    PackGifRow(m_rowStart, line, count, bitCount);
    m_passRow += m_passStep;
    while (m_passRow >= m_height) {
        if (m_passNumber > 0) m_passStep /= 2;
        ++m_passNumber;
        m_passRow = m_passStep / 2;
    }
    return true;
}

void CGifImage::Rows::ClearRowsLeft()
{
    if (m_interlaced || m_row < 0) return;
    std::memset(m_image.GetPixels(), 0, std::size_t(m_image.m_info.stride) * std::size_t(m_row + 1));
}
