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
//   4. nothing after the first image's raster data is read.
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
//     as Create cleared them (index 0); a code whose bits the terminator cuts
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
// Decoding speed: while the stream is well formed, every table entry is known
// by where its string was last written, so a code is one block copy rather
// than a walk down its prefix chain. The walk (pixelStack) is used only after
// a code above the next free slot, until the next clear code, and when more
// than 64 Mi pixels come without a clear code (they are not all kept). The
// codes that make up nearly all of a file (strings in the table, the string
// just being added) go through RunCodes, a loop that calls nothing, so its
// state stays in registers; DecodeLzw takes every other code, lines and
// staging. The loop is held to as few instructions a code as it can be,
// which is what its speed comes down to:
//   - there is a loop for each code width, so the width is a constant in it,
//     and codes are read a group at a time: one eight-byte load from the
//     staged bytes holds up to six, each then a fixed shift and mask away;
//     the mark is tested once a group;
//   - a code reads one word of the table, whose length and position each
//     come out in one step; an entry's prefix code and last byte, which
//     only spelling strings out needs, are kept apart, so making an entry
//     is three stores and an add;
//   - narrow lines are stored a few at a time, so a small picture's run is
//     not cut at every line end;
//   - a table that has filled runs in a loop of its own that makes no
//     entries.
#include "formats/gif_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "formats/byte_cursor.h"
#include "formats/byte_reads.h"
#include "formats/gif_row_packing.h"
#include "formats/gif_structure.h"
#include "image/byte_shuffle.h"

namespace {

constexpr int MAX_CODE_BITS = 12;

// Decoded pixels are gathered in `stream`: first the byte value of every
// literal code (so a literal is copied like any other string), then the
// pixels since the last clear code.
constexpr std::size_t LITERAL_AREA = 512;  // literal codes reach 511 with 9-bit minimum code size
constexpr std::size_t STREAM_START = LITERAL_AREA + 16;  // a little slack after the literals
// RunCodes takes codes in groups of up to MAX_CODE_GROUP and tests a group
// against its mark once the group is done.
constexpr int MAX_CODE_GROUP = 6;
// Room kept free after the mark: a group's strings (each at most the stack)
// plus what CopyString may write past a string's end.
constexpr std::size_t ROOM = MAX_CODE_GROUP * CGifImage::STACK_SIZE + 64;
// Pixels RunCodes may gather before the lines they complete are stored.
constexpr std::size_t LINE_BATCH = 4096;
constexpr std::size_t INITIAL_STREAM_PIXELS = std::size_t(1) << 20;
constexpr std::size_t MAX_STREAM_PIXELS = std::size_t(64) << 20;

enum RasterEnd { RASTER_MORE = 0, RASTER_TERMINATOR = 1, RASTER_FILE_ENDED = -1 };

// A table entry is one 64-bit word, its span, with its prefix code and last
// byte kept apart in entryPrefix and entrySuffix (only spelling a string out
// needs them). The span:
//   bits  0-15  the string's length (at most STACK_SIZE);
//   bits 36-63  where its string was last written, as an offset from the
//               stream's start (the stream stays below 2^28 bytes).
// The length and the position are what nearly every code needs, and each
// comes out of the word in one step. The next entry's span is the span of
// the string just written, one longer.
constexpr int AT_SHIFT = 36;
constexpr std::uint64_t LENGTH_FIELD = 0xFFFF;
static_assert(STREAM_START + 0xFFFF + MAX_STREAM_PIXELS + ROOM < (std::size_t(1) << (64 - AT_SHIFT)),
              "a stream offset must fit its field");
// The length in the spans of the clear and end codes, which have no string.
constexpr unsigned NO_STRING_LENGTH = 0x1FFF;

inline std::size_t SpanAt(std::uint64_t span) { return std::size_t(span >> AT_SHIFT); }
inline unsigned SpanLength(std::uint64_t span) { return unsigned(span & LENGTH_FIELD); }
constexpr std::uint64_t MakeSpan(std::size_t at, std::size_t length)
{
    return (std::uint64_t(at) << AT_SHIFT) | std::uint64_t(length);
}

// The stream buffer is kept for the next decode on the same thread (up to
// KEPT_STREAM_BYTES), so loading one shot after another reuses pages already
// mapped instead of faulting in fresh ones each time.
constexpr std::size_t KEPT_STREAM_BYTES = std::size_t(16) << 20;

struct KeptStream {
    BYTE* data = nullptr;
    std::size_t capacity = 0;
    ~KeptStream() { std::free(data); }
};
thread_local KeptStream keptStream;

// A buffer of at least `capacity` bytes (which becomes the buffer's size),
// or null. `fresh` says whether it is new: a kept one still holds the
// literal area its last decode wrote.
BYTE* TakeKeptStream(std::size_t& capacity, bool& fresh)
{
    BYTE* data = keptStream.data;
    const std::size_t kept = keptStream.capacity;
    keptStream.data = nullptr;
    keptStream.capacity = 0;
    fresh = !(data && kept >= capacity);
    if (!fresh) {
        capacity = kept;
        return data;
    }
    std::free(data);
    return static_cast<BYTE*>(std::malloc(capacity));
}

void KeepStream(BYTE* data, std::size_t capacity)
{
    if (data && capacity <= KEPT_STREAM_BYTES && !keptStream.data) {
        keptStream.data = data;
        keptStream.capacity = capacity;
    } else {
        std::free(data);
    }
}

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

// Copies length bytes 16 or 32 at a time; it may write up to 31 bytes past
// to + length. `from + length <= to` always holds here, so every byte read
// below from + length was either never meant to be copied or lands past the
// string too.
inline void CopyString(BYTE* to, const BYTE* from, unsigned length)
{
    Copy16(to, from);
    if (length <= 16) return;
    for (unsigned done = 16; done < length; done += 32) {
        BYTE chunk[32];
        std::memcpy(chunk, from + done, 32);
        std::memcpy(to + done, chunk, 32);
    }
}

// The code of `mask` bits at bitPos, which then moves past it. The eight
// bytes from bitPos's byte are always there (blockBuffer has slack).
[[gnu::always_inline]] inline std::size_t CodeAt(const BYTE* staged, std::uint32_t& bitPos, std::size_t mask,
                                                 int codeSize)
{
    std::uint64_t word;
    std::memcpy(&word, staged + (bitPos >> 3), 8);
    if constexpr (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) word = __builtin_bswap64(word);
    const std::size_t code = std::size_t(word >> (bitPos & 7)) & mask;
    bitPos += unsigned(codeSize);
    return code;
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

// Skips count bytes: by seeking where the stream allows it, else by reading.
bool SkipBytes(FILE* file, int count)
{
    if (std::fseek(file, count, SEEK_CUR) == 0) return true;
    BYTE scratch[256];
    return std::fread(scratch, 1, std::size_t(count), file) == std::size_t(count);
}

}  // namespace

CGifImage::CGifImage(ImageFormat format)
    : CDibImage(format),
      interlaced(0),
      passRow(0),
      passStep(8),
      imageHeight(0),
      passNumber(0),
      readIndex(0),
      readCount(0),
      readEnded(false),
      rasterEnd(RASTER_MORE),
      stream(nullptr),
      streamCapacity(0),
      streamLimit(0)
{
}

CGifImage::~CGifImage() { std::free(stream); }

bool CGifImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] { return DecodeStream(file); });
}

bool CGifImage::DecodeStream(FILE* file)
{
    BYTE header[13];
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    if (got >= GIF_SIGNATURE_SIZE && !IsGifSignature(header)) return false;
    if (got < sizeof header) return true;

    // "GIF87a" or "GIF89a", the screen's width and height, then its flags.
    constexpr std::size_t SIGNATURE_AND_VERSION = 6;
    ByteCursor screen(header, sizeof header);
    std::uint16_t screenWidth = 0, screenHeight = 0;
    std::uint8_t screenFlags = 0;
    if (!(screen.Skip(SIGNATURE_AND_VERSION) && screen.U16(screenWidth) && screen.U16(screenHeight) &&
          screen.Byte(screenFlags)))
        return true;

    BYTE colourTable[3 * 256];
    int colourCount = 2 << (screenFlags & 7);
    bool hasTable = (screenFlags & 0x80) != 0;
    if (hasTable && std::fread(colourTable, 3, std::size_t(colourCount), file) != std::size_t(colourCount))
        return true;

    for (;;) {
        const int introducer = std::fgetc(file);
        if (introducer == 0x21) {
            const int label = std::fgetc(file);
            if (label == EOF) return true;
            if (label == 0xF9 && !ReadGraphicControl(file)) return true;
            // Skip the (remaining) sub-blocks of the extension.
            for (;;) {
                const int length = std::fgetc(file);
                if (length == EOF || length == 0) break;
                if (!SkipBytes(file, length)) break;
            }
        } else if (introducer == 0x2C) {
            // Left, top, width, height, flags.
            BYTE descriptor[9];
            if (std::fread(descriptor, 1, sizeof descriptor, file) != sizeof descriptor) return true;
            ByteCursor fields(descriptor, sizeof descriptor);
            std::uint16_t left = 0, top = 0, widthField = 0, heightField = 0;
            std::uint8_t flags = 0;
            if (!(fields.U16(left) && fields.U16(top) && fields.U16(widthField) && fields.U16(heightField) &&
                  fields.Byte(flags)))
                return true;
            if (flags & 0x80) {
                colourCount = 2 << (flags & 7);
                hasTable = true;
                if (std::fread(colourTable, 3, std::size_t(colourCount), file) != std::size_t(colourCount))
                    return true;
            }
            const int width = widthField;
            const int height = heightField;
            const int bitCount = colourCount <= 2 ? 1 : colourCount <= 16 ? 4 : 8;
            // Created with format code 0, as GIF images have always been made here.
            // A picture too large to hold is a failed load, not an empty success.
            if (!Create(width, height, bitCount, ImageFormat(0))) {
                SetLastError("Can't allocate memory for GIF image");
                return false;
            }
            if (hasTable) ApplyColourTable(colourTable, colourCount);

            GifRowCursor cursor{this, 0, height - 1,
                                GetPixels() + std::size_t(m_info.stride) * std::size_t(height > 0 ? height - 1 : 0)};
            interlaced = flags & 0x40;
            passRow = 0;
            passNumber = 0;
            passStep = 8;
            imageHeight = height;
            readIndex = 0;
            readCount = 0;
            readEnded = false;
            // A line of no pixels, or an image of no lines, has nowhere to go.
            if (width > 0 && height > 0) DecodeLzw(file, &cursor, width);
            return true;
        } else {
            return true;
        }
    }
}

// Reads the 0xF9 block after its label. False ends the parse.
bool CGifImage::ReadGraphicControl(FILE* file)
{
    const int size = std::fgetc(file);
    if (size != 4) return false;
    BYTE block[4];
    if (std::fread(block, 1, sizeof block, file) != sizeof block) return false;
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

int CGifImage::ReadByte(FILE* file)
{
    if (readIndex >= readCount) {
        if (readEnded) return -1;
        readCount = std::int32_t(std::fread(readBuffer, 1, READ_BUFFER_SIZE, file));
        readIndex = 0;
        if (readCount < READ_BUFFER_SIZE) readEnded = true;
        if (readCount == 0) return -1;
    }
    return readBuffer[readIndex++];
}

// Like ReadByte for count bytes; returns how many there were.
int CGifImage::ReadBytes(FILE* file, BYTE* to, int count)
{
    int done = 0;
    while (done < count) {
        if (readIndex >= readCount) {
            const int next = ReadByte(file);
            if (next < 0) break;
            to[done++] = BYTE(next);
            continue;
        }
        int run = readCount - readIndex;
        if (run > count - done) run = count - done;
        std::memcpy(to + done, readBuffer + readIndex, std::size_t(run));
        readIndex += run;
        done += run;
    }
    return done;
}

// Gathers whole data sub-blocks into blockBuffer after the `staged` bytes
// already there and returns the number of bytes it then holds. Sets
// rasterEnd at the terminator or the end of the file; a sub-block the file
// cuts short is dropped whole. The slack after the last byte is cleared.
int CGifImage::StageBlocks(FILE* file, int staged)
{
    while (rasterEnd == RASTER_MORE && staged + 255 <= BLOCK_BUFFER_SIZE) {
        const int length = ReadByte(file);
        if (length < 0) {
            rasterEnd = RASTER_FILE_ENDED;
        } else if (length == 0) {
            rasterEnd = RASTER_TERMINATOR;
        } else if (ReadBytes(file, blockBuffer + staged, length) < length) {
            rasterEnd = RASTER_FILE_ENDED;
        } else {
            staged += length;
        }
    }
    std::memset(blockBuffer + staged, 0, 8);
    return staged;
}

[[gnu::always_inline]] inline std::int16_t CGifImage::ResetTable(LzwState& state, int minCodeSize)
{
    state.minCodeSize = minCodeSize;
    state.codeSize = minCodeSize + 1;
    state.topSlot = 1 << state.codeSize;
    state.clearCode = 1 << minCodeSize;
    state.endCode = state.clearCode + 1;
    state.firstFree = state.nextSlot = state.clearCode + 2;
    state.oldCode = 0;
    state.firstByte = 0;
    state.bitPos = state.stagedBits = 0;
    rasterEnd = RASTER_MORE;
    // A literal's string is its byte, kept in the stream's first bytes.
    // Spelling strings out stops at the literals, so only their spans are set.
    static constexpr auto LITERAL_SPANS = [] {
        std::array<std::uint64_t, LITERAL_AREA> spans{};
        for (std::size_t code = 0; code < LITERAL_AREA; ++code) spans[code] = MakeSpan(code, 1);
        return spans;
    }();
    std::memcpy(entrySpan, LITERAL_SPANS.data(), std::size_t(state.clearCode) * sizeof entrySpan[0]);
    // No string: RunCodes hands these two back.
    entrySpan[state.clearCode] = entrySpan[state.endCode] = MakeSpan(0, NO_STRING_LENGTH);
    // Entries from everMade up have not been made in this image: a broken
    // chain reaching one reads prefix 0 and last byte 0 (see DecodeLzw).
    state.everMade = state.firstFree;
    return 0;
}

// Codes are packed least significant bit first across the sub-blocks. Gives
// the next code, endCode when the data ends at the terminator (also in the
// middle of a code: the missing bits were never sent), or -1 when the file
// ends first.
[[gnu::always_inline]] inline int CGifImage::NextCode(FILE* file, LzwState& state)
{
    while (state.bitPos + unsigned(state.codeSize) > state.stagedBits) {
        if (rasterEnd != RASTER_MORE) return rasterEnd == RASTER_TERMINATOR ? state.endCode : -1;
        // The bytes holding the first bits of the code move to the front,
        // and more sub-blocks are staged after them.
        const unsigned used = state.bitPos >> 3;
        const unsigned kept = (state.stagedBits >> 3) - used;
        std::memmove(blockBuffer, blockBuffer + used, kept);
        state.bitPos &= 7;
        state.stagedBits = unsigned(StageBlocks(file, int(kept))) * 8;
    }
    return int(CodeAt(blockBuffer, state.bitPos, (std::size_t(1) << state.codeSize) - 1, state.codeSize));
}

// The entry at slot: the string written at `written` and one more byte,
// `last`, whose prefix is the code that wrote that string.
[[gnu::always_inline]] inline void CGifImage::MakeEntry(std::size_t slot, std::uint64_t written, BYTE last,
                                                        std::size_t prefix)
{
    entrySpan[slot] = written + 1;
    entrySuffix[slot] = last;
    entryPrefix[slot] = std::uint16_t(prefix);
}

bool CGifImage::GrowStream(std::size_t needed)
{
    if (needed > streamLimit) return false;
    std::size_t capacity = streamCapacity * 2;
    if (capacity < needed) capacity = needed;
    if (capacity > streamLimit) capacity = streamLimit;
    BYTE* grown = static_cast<BYTE*>(std::realloc(stream, capacity));
    if (!grown) return false;
    stream = grown;
    streamCapacity = capacity;
    return true;
}

// The common codes, one after another, until one of them needs DecodeLzw:
// what DecodeLzw's loop does for a code in the table or the code being
// added, without its checks for the rare cases. Nothing here calls a
// function, so the compiler keeps nearly every value below in a register;
// the state goes back to `state` only when the run stops. Stops after a
// group of codes whose strings reach `mark` (at or past the end of the line
// being filled; ROOM leaves space for a whole group past it) or after the
// code that fills the table (TableFull runs go on from there, adding no
// entries), before a group whose bits are not all staged (DecodeLzw takes
// the last few codes of the staged bytes), and after taking a clear code, an
// end code or a code above the next free slot, which it hands back in
// `code`.
template <bool TableFull>
CGifImage::CodeRunStop CGifImage::RunCodes(LzwState& state, BYTE* out, BYTE*& dst, const BYTE* mark,
                                           std::uint64_t& prevSpan, int& code)
{
    if constexpr (TableFull) {
        return RunCodesOfWidth<true, MAX_CODE_BITS>(state, out, dst, mark, prevSpan, code);
    } else {
        // The loop of each width from 3 bits (minimum code size 2) to 12.
        constexpr int NARROWEST = 3;
        static constexpr auto RUNS = []<int... W>(std::integer_sequence<int, W...>) {
            return std::array{&CGifImage::RunCodesOfWidth<false, NARROWEST + W>...};
        }(std::make_integer_sequence<int, MAX_CODE_BITS - NARROWEST + 1>{});
        for (;;) {
            const CodeRunStop stop = (this->*RUNS[std::size_t(state.codeSize - NARROWEST)])(state, out, dst, mark,
                                                                                           prevSpan, code);
            if (stop != RUN_AT_WIDTH) return stop;
        }
    }
}

// RunCodes for codes of one width, which then is a constant: codes come a
// group at a time from one eight-byte load, each at a fixed shift. Stops
// with RUN_AT_WIDTH after the code that widens the codes.
template <bool TableFull, int Width>
CGifImage::CodeRunStop CGifImage::RunCodesOfWidth(LzwState& state, BYTE* out, BYTE*& dst, const BYTE* mark,
                                                  std::uint64_t& prevSpan, int& code)
{
    constexpr std::size_t CODE_MASK = (std::size_t(1) << Width) - 1;
    // An eight-byte load shifted by up to 7 bits holds 57: as many codes as
    // fit, up to MAX_CODE_GROUP (more would only make the loop longer).
    constexpr int GROUP = 57 / Width < MAX_CODE_GROUP ? 57 / Width : MAX_CODE_GROUP;
    constexpr std::uint32_t GROUP_BITS = GROUP * Width;
    std::uint32_t bitPos = state.bitPos;
    // A group starting below here is staged whole.
    const std::uint32_t groupsEnd = state.stagedBits >= GROUP_BITS ? state.stagedBits - GROUP_BITS + 1 : 0;
    std::size_t nextSlot = std::size_t(state.nextSlot);
    // The previous string is known by its span and its code (the next
    // entry's prefix); the next one goes to `to`.
    std::uint64_t prev = prevSpan;
    std::size_t prefix = std::size_t(state.oldCode);
    BYTE* to = dst;
    const std::size_t firstSlot = nextSlot;
    CodeRunStop stop = RUN_OUT_OF_BITS;
    std::uint64_t codes = 0;  // the group's codes, lowest bits first

    // Code number K of the group; false when the run stops at or after it
    // (bitPos then is past the codes taken). A code of a whole group is not
    // tested against the mark (the group is), nor for widening the codes:
    // codes that may widen them are taken one at a time, CHECKED.
    auto take = [&](auto index, auto checked) __attribute__((always_inline)) {
        constexpr int K = decltype(index)::value;
        constexpr bool CHECKED = decltype(checked)::value;
        const std::size_t c = std::size_t(codes >> (K * Width)) & CODE_MASK;

        // The code's string: where it was written, or for the string being
        // added (the previous string and its own first byte) where the
        // previous string was, one byte longer.
        std::size_t from;  // an offset from out
        unsigned length;
        if (c < nextSlot) [[likely]] {
            const std::uint64_t span = entrySpan[c];
            from = SpanAt(span);
            length = SpanLength(span);
            // 16 bytes at once for the short strings that make up nearly all
            // of a picture, which may write past the string (where the next
            // one goes). The clear and end codes stop here: their spans
            // have the longest length.
            if (length <= 16) [[likely]] {
                Copy16(to, out + from);
            } else {
                if (length == NO_STRING_LENGTH) {
                    code = int(c);
                    stop = RUN_AT_CODE;
                    bitPos += (K + 1) * Width;
                    return false;
                }
                CopyString(to, out + from, length);
            }
        } else if (!TableFull && c == nextSlot) {
            from = SpanAt(prev);
            length = SpanLength(prev) + 1;
            CopyString(to, out + from, length - 1);
            to[length - 1] = out[from];
        } else {
            code = int(c);
            stop = RUN_AT_CODE;
            bitPos += (K + 1) * Width;
            return false;
        }

        // The new entry: the previous string and this one's first byte.
        bool widened = false;
        if (!TableFull) {
            MakeEntry(nextSlot, prev, out[from], prefix);
            prev = MakeSpan(std::size_t(to - out), length);
            prefix = c;
            // Below 12 bits the table always has room: the width grows the
            // moment the next free slot passes the mask. At 12 bits that
            // moment fills it, and the run stops for the loop that makes no
            // entries.
            ++nextSlot;
            if constexpr (CHECKED) widened = nextSlot > CODE_MASK;
        }
        to += length;
        if constexpr (CHECKED) {
            if (to >= mark || widened) {
                stop = to >= mark || Width == MAX_CODE_BITS ? RUN_AT_MARK : RUN_AT_WIDTH;
                bitPos += (K + 1) * Width;
                return false;
            }
        }
        return true;
    };

    using Checked = std::true_type;
    using Unchecked = std::false_type;
    auto loadGroup = [&] {
        std::memcpy(&codes, blockBuffer + (bitPos >> 3), 8);
        if constexpr (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) codes = __builtin_bswap64(codes);
        codes >>= bitPos & 7;
    };
    for (bool more = true; more && bitPos < groupsEnd;) {
        // Whole groups while their bits are staged and none of their codes
        // can widen the codes (every code makes an entry).
        std::uint32_t groups = (groupsEnd - 1 - bitPos) / GROUP_BITS + 1;
        if (!TableFull) {
            const std::size_t lastStart = CODE_MASK - GROUP;  // the latest nextSlot a whole group may start at
            const std::size_t bySlots = nextSlot <= lastStart ? (lastStart - nextSlot) / GROUP + 1 : 0;
            if (bySlots < groups) groups = std::uint32_t(bySlots);
        }
        for (; groups > 0; --groups) {
            loadGroup();
            more = [&]<int... K>(std::integer_sequence<int, K...>) __attribute__((always_inline)) {
                return (take(std::integral_constant<int, K>{}, Unchecked{}) && ...);
            }(std::make_integer_sequence<int, GROUP>{});
            if (!more) break;
            bitPos += GROUP_BITS;
            if (to >= mark) {
                stop = RUN_AT_MARK;
                more = false;
                break;
            }
        }
        if (!more || bitPos >= groupsEnd) break;
        // The codes widen within the next group: one code at a time.
        loadGroup();
        more = take(std::integral_constant<int, 0>{}, Checked{});
        if (more) bitPos += Width;
    }
    state.bitPos = bitPos;
    // The code that widened the codes may also have reached the mark.
    const int codeSize = Width < MAX_CODE_BITS && nextSlot > CODE_MASK ? Width + 1 : Width;
    state.codeSize = codeSize;
    state.nextSlot = int(nextSlot);
    state.topSlot = 1 << codeSize;
    if (!TableFull) {
        // The prefix of the next entry, and the first byte of the last
        // string added (the last byte of the newest entry), as DecodeLzw
        // keeps them. A full table keeps both as they were when it filled.
        state.oldCode = int(prefix);
        if (nextSlot > firstSlot) state.firstByte = entrySuffix[nextSlot - 1];
        prevSpan = prev;
    }
    dst = to;
    return stop;
}

// Stores every complete line gathered since lineStart; returns where the
// first incomplete line starts. A non-interlaced image that is full stops
// taking lines (its cursor row is then below 0).
std::size_t CGifImage::PlaceLines(GifRowCursor* cursor, const BYTE* pixels, std::size_t lineStart,
                                  std::size_t produced, int lineWidth)
{
    const std::size_t width = std::size_t(lineWidth);
    if (!interlaced && m_header.biBitCount == 8 && lineWidth == m_header.biWidth) {
        // What PutLine does for these lines, without a call per line.
        // The cursor is kept in locals: the copies could alias it otherwise.
        const std::size_t stride = std::size_t(m_info.stride);
        int row = cursor->row;
        BYTE* rowStart = cursor->rowStart;
        for (; produced - lineStart >= width && row >= 0; lineStart += width) {
            CopyLine(rowStart, pixels + lineStart, width);
            if (--row >= 0) rowStart -= stride;
        }
        cursor->row = row;
        cursor->rowStart = rowStart;
        return lineStart;
    }
    while (produced - lineStart >= width) {
        if (PutLine(cursor, pixels + lineStart, lineWidth) < 0) break;
        lineStart += width;
        if (!interlaced && cursor->row < 0) break;
    }
    return lineStart;
}

std::int16_t CGifImage::DecodeLzw(FILE* file, GifRowCursor* cursor, int lineWidth)
{
    const int minCodeSize = ReadByte(file);
    if (minCodeSize < 0) return std::int16_t(minCodeSize);
    if (minCodeSize < 2 || minCodeSize > 9) return -20;
    if (lineWidth <= 0) return 0;

    LzwState s;
    ResetTable(s, minCodeSize);

    // Pixels are gathered in stream order and stored a line at a time. The
    // stream keeps what the current table's entries point into, so it is
    // emptied (but for a started line) at every clear code.
    const std::size_t width = std::size_t(lineWidth);
    const std::size_t pixelsWanted = width * std::size_t(imageHeight);
    const std::size_t keep = pixelsWanted < MAX_STREAM_PIXELS ? pixelsWanted : MAX_STREAM_PIXELS;
    streamLimit = STREAM_START + width + keep + ROOM;
    streamCapacity = STREAM_START + width + (keep < INITIAL_STREAM_PIXELS ? keep : INITIAL_STREAM_PIXELS) + ROOM;
    std::free(stream);
    bool freshStream = false;
    stream = TakeKeptStream(streamCapacity, freshStream);
    if (!stream) return -10;
    struct ReleaseStream {
        CGifImage* reader;
        ~ReleaseStream()
        {
            KeepStream(reader->stream, reader->streamCapacity);
            reader->stream = nullptr;
        }
    } release{this};

    // Nothing writes below STREAM_START, so a kept stream's literals stand.
    if (freshStream)
        for (std::size_t i = 0; i < STREAM_START; ++i) stream[i] = BYTE(i);
    // Positions are offsets from out, which moves when the stream grows.
    BYTE* out = stream;
    BYTE* dst = out + STREAM_START;     // where the next pixel goes
    BYTE* lineEnd = dst + width;        // end of the line being filled
    BYTE* roomEnd = out + (streamCapacity - ROOM);
    // The span of the previous code's string (with that code): the next
    // entry is that string and one more byte. Set by the first code.
    std::uint64_t prevSpan = 0;
    // Set by a code above the next free slot: the entries may no longer be
    // strings written earlier, so codes are spelled out from the table until
    // the next clear code.
    bool walkChains = false;

    // Stores the lines completed since the line being filled began; true once
    // a non-interlaced image is full.
    auto storeCompleteLines = [&] {
        if (dst >= lineEnd) {
            const std::size_t next =
                PlaceLines(cursor, out, std::size_t(lineEnd - width - out), std::size_t(dst - out), lineWidth);
            lineEnd = out + next + width;
        }
        return !interlaced && cursor->row < 0;
    };

    // Keeps only the started line: at a clear code, and when out of room.
    auto compact = [](BYTE* base, BYTE*& next, BYTE*& end, std::size_t lineLength) {
        const std::size_t started = std::size_t(next - (end - lineLength));
        std::memmove(base + STREAM_START, end - lineLength, started);
        next = base + STREAM_START + started;
        end = base + STREAM_START + lineLength;
    };

    // The data starts as after a clear code, whether or not it begins with
    // one (some encoders leave it out).
    int code = NextCode(file, s);
    for (;;) {
        // A clear code (or the start): the table and width start over, and
        // the pixels kept for it but the started line are let go.
        if (code == s.clearCode) {
            s.everMade = std::max(s.everMade, s.nextSlot);
            s.codeSize = s.minCodeSize + 1;
            s.nextSlot = s.firstFree;
            s.topSlot = 1 << s.codeSize;
        }
        walkChains = false;
        compact(out, dst, lineEnd, width);
        while (code == s.clearCode) code = NextCode(file, s);
        if (code < 0 || code == s.endCode) break;
        if (code >= s.nextSlot) code = 0;
        s.oldCode = s.firstByte = code;
        prevSpan = MakeSpan(std::size_t(dst - out), 1);
        *dst++ = BYTE(code);
        if (storeCompleteLines()) return 0;  // the image is full

        // The codes up to the next clear code.
        for (;;) {
            if (dst > roomEnd) {
                const std::size_t at = std::size_t(dst - out);
                const std::size_t lineAt = std::size_t(lineEnd - out);
                if (!walkChains && GrowStream(at + ROOM)) {
                    out = stream;
                    dst = out + at;
                    lineEnd = out + lineAt;
                } else {
                    // Out of room: keep only the started line and spell codes
                    // out from the table, which needs no earlier pixels.
                    walkChains = true;
                    compact(out, dst, lineEnd, width);
                }
                roomEnd = out + (streamCapacity - ROOM);
            }

            // The common codes in one run; the rest come here one by one.
            if (!walkChains) {
                // Narrow lines are stored a few at a time, wide ones each
                // as it ends; every line the run completes is stored before
                // the code that stopped it is taken.
                const BYTE* const mark = std::min(std::max(lineEnd, dst + LINE_BATCH), roomEnd + 1);
                const CodeRunStop stop = s.nextSlot < MAX_CODES
                                             ? RunCodes<false>(s, out, dst, mark, prevSpan, code)
                                             : RunCodes<true>(s, out, dst, mark, prevSpan, code);
                if (storeCompleteLines()) return 0;  // the image is full
                if (stop == RUN_AT_MARK) continue;
                if (stop == RUN_OUT_OF_BITS) code = NextCode(file, s);
            } else {
                code = NextCode(file, s);
            }
            BYTE* const cur = dst;
            if (unsigned(code) < unsigned(s.nextSlot) && unsigned(code - s.clearCode) > 1u && !walkChains) {
                // In the table: a copy of where its string was written.
                const std::uint64_t span = entrySpan[code];
                const unsigned length = SpanLength(span);
                CopyString(dst, out + SpanAt(span), length);
                dst += length;
            } else if (code < 0 || unsigned(code - s.clearCode) <= 1u) {
                break;
            } else if (code == s.nextSlot && !walkChains) {
                // The string of the previous code and its own first byte.
                const BYTE* previous = out + SpanAt(prevSpan);
                const unsigned length = SpanLength(prevSpan);
                CopyString(dst, previous, length);
                dst[length] = previous[0];
                dst += length + 1;
            } else {
                walkChains = true;
                int sp = 0;
                int chain = code;
                if (code >= s.nextSlot) {
                    pixelStack[sp++] = BYTE(s.firstByte);
                    chain = s.oldCode;
                }
                const int made = std::max(s.everMade, s.nextSlot);
                while (chain >= s.firstFree) {
                    // A chain that fills the stack loops: the decoder stops,
                    // and the line it was filling is dropped.
                    if (sp == STACK_SIZE - 1) return 0;
                    const bool madeHere = chain < made;
                    pixelStack[sp++] = madeHere ? entrySuffix[chain] : 0;
                    chain = madeHere ? entryPrefix[chain] : 0;
                }
                pixelStack[sp++] = BYTE(chain);
                for (int i = 0; i < sp; ++i) dst[i] = pixelStack[sp - 1 - i];
                dst += sp;
            }

            if (s.nextSlot < s.topSlot) {
                const int slot = s.nextSlot;
                s.firstByte = cur[0];
                MakeEntry(std::size_t(slot), prevSpan, cur[0], std::size_t(s.oldCode));
                s.oldCode = code;
                if (++s.nextSlot >= s.topSlot && s.codeSize < MAX_CODE_BITS) {
                    ++s.codeSize;
                    s.topSlot <<= 1;
                }
            }
            prevSpan = MakeSpan(std::size_t(cur - out), std::size_t(dst - cur));
            if (storeCompleteLines()) return 0;  // the image is full
        }
        if (code != s.clearCode) break;
    }
    // End code: a started line is stored as far as it got. End of the file:
    // it is dropped.
    BYTE* const lineStart = lineEnd - width;
    if (code == s.endCode && dst > lineStart) return std::int16_t(PutLine(cursor, lineStart, int(dst - lineStart)));
    return 0;
}

// Stores one line of `length` pixels (at most the image width). A
// non-interlaced line goes to the cursor's row, which then moves one row
// down the picture; past the bottom row the result is -1. An interlaced line
// goes to the row of the current pass (GIF89a: passes start at picture rows
// 0, 4, 2, 1 with steps 8, 8, 4, 2; a pass starting below the bottom is
// skipped). After the fourth pass the rows are filled once more from row 0
// with step 1, and after that every line lands on row 0.
int CGifImage::PutLine(GifRowCursor* cursor, const BYTE* line, int length)
{
    if (!cursor || !cursor->image || !m_pDib) return -1;
    const int width = m_header.biWidth;
    const int count = length < 0 ? 0 : length > width ? width : length;
    const std::size_t stride = std::size_t(m_info.stride);
    if (!interlaced) {
        if (!IsInside(0, cursor->row)) return -1;
        PackGifRow(cursor->rowStart, line, count, m_header.biBitCount);
        if (--cursor->row >= 0) cursor->rowStart -= stride;
        return 0;
    }
    if (imageHeight <= 0) return 0;
    cursor->row = imageHeight - passRow - 1;
    cursor->rowStart = GetPixels() + stride * std::size_t(cursor->row);
    PackGifRow(cursor->rowStart, line, count, m_header.biBitCount);
    passRow += passStep;
    while (passRow >= imageHeight) {
        if (passNumber > 0) passStep /= 2;
        ++passNumber;
        passRow = passStep / 2;
    }
    return 0;
}
