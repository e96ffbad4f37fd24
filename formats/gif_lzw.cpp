// The GIF reader's LZW stage: raster data in, lines of pixels out.
//
// What it takes: the data sub-blocks of one image (lengths already known to
// the source), codes packed least significant bit first across them, with
// the minimum code size given apart.
//
// How damage is met:
//   - minimum code size outside 2..9, an image of no pixels: nothing;
//   - data that ends (terminator, or the input ends inside a sub-block,
//     whose bytes are then not used) ends the lines given; a code whose bits
//     the terminator cuts off ends the data like an end code; a line cut
//     short by the end code or the terminator is handed on as far as it got
//     (PutShortLine), one cut short by the end of the input is not;
//   - the data is read as if a clear code came first, whether or not it
//     does; a code above the next free slot is decoded as if it were that
//     slot; the first code after a clear code is taken as 0 when it is not
//     yet in the table; when the table is full no entries are added until a
//     clear code (a deferred clear works); a string that does not fit the
//     4096-byte stack (only codes above the next free slot can make a chain
//     of prefixes loop) stops the decoder: the lines completed before it
//     stay, the line it was filling is dropped;
//   - once the sink is full, decoding stops.
//
// Decoding speed: while the stream is well formed, every table entry is known
// by where its string was last written, so a code is one block copy rather
// than a walk down its prefix chain. The walk (SpellOut) is used only after
// a code above the next free slot, until the next clear code, and when more
// than 64 Mi pixels come without a clear code (they are not all kept). The
// codes that make up nearly all of a file (strings in the table, the string
// just being added) go through RunCodes, a loop that calls nothing, so its
// state stays in registers; DecodeCodes takes every other code, lines and
// staging. The loop is held to as few instructions a code as it can be,
// which is what its speed comes down to:
//   - there is a loop for each code width, so the width is a constant in it,
//     and codes are read a group at a time: one eight-byte load from the
//     staged bytes holds up to six, each then a fixed shift and mask away,
//     and codes of 9 bits or more come two loads a group (four to six
//     codes each, so the loop's own steps weigh less on each code); the
//     mark is tested once a group;
//   - a code reads one word of the table, whose length and position each
//     come out in one step; the same word holds the entry's prefix code,
//     and its last byte, which only spelling strings out needs, is kept
//     apart and not written at all by the loop: making an entry is one
//     store. An entry's last byte is read back from the pixels only when a
//     damaged stream may still need it, which is why the pixels of the
//     generation before the last clear code are kept too (see
//     NewGeneration);
//   - strings of up to eight pixels, most of a photo's, are copied as one
//     word (see Copy8);
//   - narrow lines are handed on a few at a time, so a small picture's run
//     is not cut at every line end;
//   - a table that has filled runs in a loop of its own that makes no
//     entries.
#include "formats/gif_lzw.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr int MAX_CODE_BITS = 12;

// Decoded pixels are gathered in `stream`: first the byte value of every
// literal code (so a literal is copied like any other string), then the
// pixels since the last clear code.
constexpr std::size_t LITERAL_AREA = 512;  // literal codes reach 511 with 9-bit minimum code size
constexpr std::size_t STREAM_START = LITERAL_AREA + 64;  // the first pixel starts a cache line
// RunCodes takes codes in groups of up to MAX_CODE_GROUP and tests a group
// against its mark once the group is done.
constexpr int MAX_CODE_GROUP = 12;
// Room kept free after the mark: a group's strings (each at most the stack)
// plus what CopyString may write past a string's end.
constexpr std::size_t ROOM = MAX_CODE_GROUP * GifLzwDecoder::STACK_SIZE + 64;
// Pixels RunCodes may gather before the lines they complete are stored.
constexpr std::size_t LINE_BATCH = 4096;
constexpr std::size_t MAX_STREAM_PIXELS = std::size_t(64) << 20;

enum RasterEnd { RASTER_MORE = 0, RASTER_TERMINATOR = 1, RASTER_INPUT_ENDED = -1 };

// A table entry is one 64-bit word, its span, with its last byte kept apart
// in entrySuffix (only spelling a string out needs it). The span:
//   bits  0-31  where its string was last written, as an offset from the
//               start of the window both stream buffers lie in (see
//               gif_stream_window.h): the low 32 bits of its address;
//   bits 32-47  its prefix code, which only spelling a string out needs;
//   bits 48-63  the string's length (at most STACK_SIZE).
// The length and the position are what nearly every code needs, and each
// comes out of the word in one step; making an entry is one store. The next
// entry's span is the span of the string just written, one longer, with
// the code that wrote it as its prefix.
constexpr int PREFIX_SHIFT = 32;
constexpr int LENGTH_SHIFT = 48;
constexpr std::uint64_t PREFIX_FIELD = std::uint64_t(0xFFFF) << PREFIX_SHIFT;
constexpr std::uint64_t ONE_LONGER = std::uint64_t(1) << LENGTH_SHIFT;
static_assert(STREAM_START + 0xFFFF + MAX_STREAM_PIXELS + ROOM <= GIF_STREAM_BUFFER_BYTES,
              "a stream must fit its buffer");
// The length in the spans of the clear and end codes, which have no string.
constexpr unsigned NO_STRING_LENGTH = 0x1FFF;

inline std::size_t SpanAt(std::uint64_t span) { return std::size_t(std::uint32_t(span)); }
inline unsigned SpanLength(std::uint64_t span) { return unsigned(span >> LENGTH_SHIFT); }
inline std::size_t SpanPrefix(std::uint64_t span) { return std::size_t((span & PREFIX_FIELD) >> PREFIX_SHIFT); }
constexpr std::uint64_t MakeSpan(std::size_t at, std::size_t length)
{
    return std::uint64_t(at) | (std::uint64_t(length) << LENGTH_SHIFT);
}
inline std::uint64_t WithPrefix(std::uint64_t span, std::size_t prefix)
{
    return (span & ~PREFIX_FIELD) | (std::uint64_t(prefix) << PREFIX_SHIFT);
}

// The thread's stream buffers keep up to KEPT_STREAM_BYTES each from one
// decode to the next, so loading one shot after another reuses pages
// already mapped instead of faulting in fresh ones each time.
constexpr std::size_t KEPT_STREAM_BYTES = std::size_t(16) << 20;

// A load of pixels written a few codes before waits for the stores that
// wrote them when it spans more than one; an eight-byte load does so far
// less often than a sixteen-byte one, so short strings, most of a photo's,
// are copied as one word.
inline void Copy8(BYTE* to, const BYTE* from)
{
    std::uint64_t word;
    std::memcpy(&word, from, 8);
    std::memcpy(to, &word, 8);
}

inline void Copy16(BYTE* to, const BYTE* from)
{
    BYTE chunk[16];
    std::memcpy(chunk, from, 16);
    std::memcpy(to, chunk, 16);
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

}  // namespace

// Gathers whole data sub-blocks into blockBuffer after the `staged` bytes
// already there and returns the number of bytes it then holds. Sets
// rasterEnd at the terminator or the end of the input; a sub-block the input
// cuts short is dropped whole. The slack after the last byte is cleared.
int GifLzwDecoder::StageBlocks(GifDataBlocks& blocks, int staged)
{
    while (rasterEnd == RASTER_MORE && staged + 255 <= BLOCK_BUFFER_SIZE) {
        const BYTE* data = nullptr;
        const int length = blocks.NextSubBlock(data);
        if (length < 0) {
            rasterEnd = RASTER_INPUT_ENDED;
        } else if (length == 0) {
            rasterEnd = RASTER_TERMINATOR;
        } else {
            std::memcpy(blockBuffer + staged, data, std::size_t(length));
            staged += length;
        }
    }
    std::memset(blockBuffer + staged, 0, 8);
    return staged;
}

[[gnu::always_inline]] inline void GifLzwDecoder::ResetTable(LzwState& state, int minCodeSize)
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
    state.pendingEnd = state.firstFree;
    rasterEnd = RASTER_MORE;
    // A literal's string is its byte, kept in the stream's first bytes.
    // Spelling strings out stops at the literals, so only their spans are set.
    const std::size_t literals = std::size_t(stream - buffers.origin);
    for (int code = 0; code < state.clearCode; ++code) entrySpan[code] = MakeSpan(literals + std::size_t(code), 1);
    // No string: RunCodes hands these two back.
    entrySpan[state.clearCode] = entrySpan[state.endCode] = MakeSpan(0, NO_STRING_LENGTH);
    // Entries from everMade up have not been made in this image: a broken
    // chain reaching one reads prefix 0 and last byte 0 (see DecodeCodes).
    state.everMade = state.firstFree;
}

// Codes are packed least significant bit first across the sub-blocks. Gives
// the next code, endCode when the data ends at the terminator (also in the
// middle of a code: the missing bits were never sent), or -1 when the input
// ends first.
[[gnu::always_inline]] inline int GifLzwDecoder::NextCode(GifDataBlocks& blocks, LzwState& state)
{
    while (state.bitPos + unsigned(state.codeSize) > state.stagedBits) {
        if (rasterEnd != RASTER_MORE) return rasterEnd == RASTER_TERMINATOR ? state.endCode : -1;
        // The bytes holding the first bits of the code move to the front,
        // and more sub-blocks are staged after them.
        const unsigned used = state.bitPos >> 3;
        const unsigned kept = (state.stagedBits >> 3) - used;
        std::memmove(blockBuffer, blockBuffer + used, kept);
        state.bitPos &= 7;
        state.stagedBits = unsigned(StageBlocks(blocks, int(kept))) * 8;
    }
    return int(CodeAt(blockBuffer, state.bitPos, (std::size_t(1) << state.codeSize) - 1, state.codeSize));
}

// The entry at slot: the string written at `written` and one more byte,
// `last`, whose prefix is the code that wrote that string. (RunCodes makes
// its entries without their last bytes; see SpellSuffixes.)
[[gnu::always_inline]] inline void GifLzwDecoder::MakeEntry(std::size_t slot, std::uint64_t written, BYTE last,
                                                        std::size_t prefix)
{
    entrySpan[slot] = WithPrefix(written, prefix) + ONE_LONGER;
    entrySuffix[slot] = last;
}

// The fast loop makes entries without their last bytes: only spelling a
// string out (after damage) needs them, and the pixels hold them. An entry's
// last byte is the last of its string where that was written (the first of
// the string written next). SpellSuffixes reads them back for the entries of
// slots from..to-1, whose strings were all written in turn (no chain was
// walked in their generation) in one of the two buffers.
void GifLzwDecoder::SpellSuffixes(int from, int to)
{
    for (int slot = from; slot < to; ++slot) {
        const std::uint64_t span = entrySpan[slot];
        entrySuffix[slot] = buffers.origin[SpanAt(span) + SpanLength(span) - 1];
    }
}

// Before chains are walked or the pixels of this generation are let go:
// every entry a chain may reach gets its last byte, those of this generation
// and those the previous one left alike, from the buffer each was written in.
void GifLzwDecoder::SpellPending(LzwState& s)
{
    SpellSuffixes(s.firstFree, s.nextSlot);
    SpellSuffixes(s.nextSlot, s.pendingEnd);
    s.pendingEnd = s.firstFree;
}

// At a clear code: the generation that ends keeps its pixels, in what becomes
// the previous buffer, until the next clear code, so its entries need no
// last bytes until then; the one before it is let go, the entries it left
// (those the ending generation did not make again) getting theirs first. The
// started line moves to the start of the other buffer, which becomes the
// stream. `spelled` says the ending generation's entries all have their last
// bytes (it walked chains). Returns the stream.
BYTE* GifLzwDecoder::NewGeneration(LzwState& s, BYTE*& dst, BYTE*& lineEnd, std::size_t width, bool spelled)
{
    SpellSuffixes(s.nextSlot, s.pendingEnd);
    s.pendingEnd = spelled ? s.firstFree : s.nextSlot;
    std::swap(stream, previous);
    const BYTE* const lineStart = lineEnd - width;
    const std::size_t started = std::size_t(dst - lineStart);
    std::memcpy(stream + STREAM_START, lineStart, started);
    dst = stream + STREAM_START + started;
    lineEnd = stream + STREAM_START + width;
    return stream;
}

// The common codes, one after another, until one of them needs DecodeCodes:
// what DecodeCodes's loop does for a code in the table or the code being
// added, without its checks for the rare cases. Nothing here calls a
// function, so the compiler keeps nearly every value below in a register;
// the state goes back to `state` only when the run stops. Stops after a
// group of codes whose strings reach `mark` (at or past the end of the line
// being filled; ROOM leaves space for a whole group past it) or after the
// code that fills the table (TableFull runs go on from there, adding no
// entries), before a group whose bits are not all staged (DecodeCodes takes
// the last few codes of the staged bytes), and after taking a clear code, an
// end code or a code above the next free slot, which it hands back in
// `code`. `base` is the window's start, which spans count from, passed in
// so that it stays in a register while pixels are written.
template <bool TableFull>
GifLzwDecoder::CodeRunStop GifLzwDecoder::RunCodes(LzwState& state, BYTE* base, BYTE*& dst, const BYTE* mark,
                                           std::uint64_t& prevSpan, int& code)
{
    if constexpr (TableFull) {
        return RunCodesOfWidth<true, MAX_CODE_BITS>(state, base, dst, mark, prevSpan, code);
    } else {
        // The loop of each width from 3 bits (minimum code size 2) to 12.
        constexpr int NARROWEST = 3;
        static constexpr auto RUNS = []<int... W>(std::integer_sequence<int, W...>) {
            return std::array{&GifLzwDecoder::RunCodesOfWidth<false, NARROWEST + W>...};
        }(std::make_integer_sequence<int, MAX_CODE_BITS - NARROWEST + 1>{});
        for (;;) {
            const CodeRunStop stop = (this->*RUNS[std::size_t(state.codeSize - NARROWEST)])(state, base, dst, mark,
                                                                                           prevSpan, code);
            if (stop != RUN_AT_WIDTH) return stop;
        }
    }
}

// RunCodes for codes of one width, which then is a constant: codes come a
// group at a time from one eight-byte load, each at a fixed shift. Stops
// with RUN_AT_WIDTH after the code that widens the codes.
template <bool TableFull, int Width>
GifLzwDecoder::CodeRunStop GifLzwDecoder::RunCodesOfWidth(LzwState& state, BYTE* base, BYTE*& dst, const BYTE* mark,
                                                  std::uint64_t& prevSpan, int& code)
{
    constexpr std::size_t CODE_MASK = (std::size_t(1) << Width) - 1;
    // An eight-byte load shifted by up to 7 bits holds 57: as many codes as
    // fit, up to half of MAX_CODE_GROUP (more would only make the loop
    // longer). From 9 bits a group is two such loads; narrower codes keep
    // one, since a group must stay well below the slots of their width.
    constexpr int HALF = 57 / Width < MAX_CODE_GROUP / 2 ? 57 / Width : MAX_CODE_GROUP / 2;
    constexpr int GROUP = Width >= 9 ? 2 * HALF : HALF;
    constexpr std::uint32_t GROUP_BITS = GROUP * Width;
    std::uint32_t bitPos = state.bitPos;
    // A group starting below here is staged whole.
    const std::uint32_t groupsEnd = state.stagedBits >= GROUP_BITS ? state.stagedBits - GROUP_BITS + 1 : 0;
    std::size_t nextSlot = std::size_t(state.nextSlot);
    // The previous string is known by its span, with its code (the next
    // entry's prefix) in the span's prefix field; the next one goes to `to`.
    std::uint64_t prev = WithPrefix(prevSpan, std::size_t(state.oldCode));
    BYTE* to = dst;
    const std::size_t firstSlot = nextSlot;
    CodeRunStop stop = RUN_OUT_OF_BITS;
    std::uint64_t codes = 0;  // the group's codes, lowest bits first
    std::uint64_t codesB = 0;  // and the second load's, HALF codes on

    // Code number K of the group; false when the run stops at or after it
    // (bitPos then is past the codes taken). A code of a whole group is not
    // tested against the mark (the group is), nor for widening the codes:
    // codes that may widen them are taken one at a time, CHECKED.
    auto take = [&](auto index, auto checked) __attribute__((always_inline)) {
        constexpr int K = decltype(index)::value;
        constexpr bool CHECKED = decltype(checked)::value;
        const std::size_t c = std::size_t(K < HALF ? codes >> (K * Width) : codesB >> ((K - HALF) * Width)) & CODE_MASK;

        // The code's string: where it was written, or for the string being
        // added (the previous string and its own first byte) where the
        // previous string was, one byte longer.
        std::size_t from;  // an offset from base
        unsigned length;
        if (c < nextSlot) [[likely]] {
            const std::uint64_t span = entrySpan[c];
            from = SpanAt(span);
            length = SpanLength(span);
            // 16 bytes at once for the short strings that make up nearly all
            // of a picture, which may write past the string (where the next
            // one goes). The clear and end codes stop here: their spans
            // have the longest length.
            if (length <= 8) [[likely]] {
                Copy8(to, base + from);
            } else if (length <= 16) {
                Copy16(to, base + from);
            } else {
                if (length == NO_STRING_LENGTH) {
                    code = int(c);
                    stop = RUN_AT_CODE;
                    bitPos += (K + 1) * Width;
                    return false;
                }
                CopyString(to, base + from, length);
            }
        } else if (!TableFull && c == nextSlot) {
            from = SpanAt(prev);
            length = SpanLength(prev) + 1;
            CopyString(to, base + from, length - 1);
            to[length - 1] = base[from];
        } else {
            code = int(c);
            stop = RUN_AT_CODE;
            bitPos += (K + 1) * Width;
            return false;
        }

        // The new entry: the previous string and this one's first byte.
        bool widened = false;
        if (!TableFull) {
            entrySpan[nextSlot] = prev + ONE_LONGER;
            // Where the string went: base is the window's start, so that is
            // the low half of its address.
            const auto at = std::uint32_t(reinterpret_cast<std::uintptr_t>(to));
            prev = MakeSpan(at, length) | (std::uint64_t(c) << PREFIX_SHIFT);
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
    auto loadWord = [&](std::uint32_t at) {
        std::uint64_t word;
        std::memcpy(&word, blockBuffer + (at >> 3), 8);
        if constexpr (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) word = __builtin_bswap64(word);
        return word >> (at & 7);
    };
    auto loadGroup = [&] {
        codes = loadWord(bitPos);
        codesB = loadWord(bitPos + HALF * Width);
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
        codes = loadWord(bitPos);
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
        // string added (the last byte of the newest entry), as DecodeCodes
        // keeps them. A full table keeps both as they were when it filled.
        state.oldCode = int(SpanPrefix(prev));
        if (nextSlot > firstSlot) state.firstByte = base[SpanAt(prev)];
        prevSpan = prev;
    }
    dst = to;
    return stop;
}

void GifLzwDecoder::Decode(int minCodeSize, GifDataBlocks& blocks, GifLineSink& lines, int width, int height)
{
    if (minCodeSize < 2 || minCodeSize > 9) return;
    if (width <= 0 || height <= 0) return;
    if (!StartStream(std::size_t(width), std::size_t(height))) return;
    // A large picture's pages go back however decoding ends.
    struct TrimStreams {
        const GifStreamBuffers buffers;
        const std::size_t used;
        ~TrimStreams() { TrimGifStreamBuffers(buffers, used, KEPT_STREAM_BYTES); }
    } trim{buffers, streamLimit};

    LzwState s;
    ResetTable(s, minCodeSize);
    DecodeCodes(s, blocks, lines, std::size_t(width));
}

// Pixels are gathered in stream order and stored a line at a time. The
// stream keeps what the current table's entries point into, so it is started
// again (with the started line) at every clear code, in the other buffer:
// it needs a line, the pixels of the image (up to MAX_STREAM_PIXELS, beyond
// which strings are spelled out) and ROOM. Each buffer starts with the
// literal area, written when the thread's buffers are first reserved.
bool GifLzwDecoder::StartStream(std::size_t width, std::size_t height)
{
    const std::size_t pixelsWanted = width * height;
    const std::size_t keep = pixelsWanted < MAX_STREAM_PIXELS ? pixelsWanted : MAX_STREAM_PIXELS;
    streamLimit = STREAM_START + width + keep + ROOM;
    bool fresh = false;
    buffers = ThreadGifStreamBuffers(streamLimit, fresh);
    if (!buffers.first) return false;
    if (fresh) {
        for (std::size_t i = 0; i < STREAM_START; ++i) buffers.first[i] = buffers.second[i] = BYTE(i);
    }
    stream = buffers.first;
    previous = buffers.second;
    return true;
}

// Every code from the first to the end code, the end of the data or a full
// image.
void GifLzwDecoder::DecodeCodes(LzwState& s, GifDataBlocks& blocks, GifLineSink& lines, std::size_t width)
{
    // Positions in spans are offsets from the window's start.
    BYTE* const origin = buffers.origin;
    BYTE* out = stream;
    BYTE* dst = out + STREAM_START;     // where the next pixel goes
    BYTE* lineEnd = dst + width;        // end of the line being filled
    BYTE* roomEnd = out + (streamLimit - ROOM);
    // The span of the previous code's string (with that code): the next
    // entry is that string and one more byte. Set by the first code.
    std::uint64_t prevSpan = 0;
    // Set by a code above the next free slot: the entries may no longer be
    // strings written earlier, so codes are spelled out from the table until
    // the next clear code.
    bool walkChains = false;

    // Stores the lines completed since the line being filled began; true once
    // the sink is full.
    auto storeCompleteLines = [&] {
        if (dst < lineEnd) return false;
        BYTE* const lineStart = lineEnd - width;
        lineEnd += lines.PutLines(lineStart, std::size_t(dst - lineStart));
        return lines.Full();
    };

    // Keeps only the started line, when out of room.
    auto compact = [](BYTE* base, BYTE*& next, BYTE*& end, std::size_t lineLength) {
        const std::size_t started = std::size_t(next - (end - lineLength));
        std::memmove(base + STREAM_START, end - lineLength, started);
        next = base + STREAM_START + started;
        end = base + STREAM_START + lineLength;
    };

    // The data starts as after a clear code, whether or not it begins with
    // one (some encoders leave it out).
    int code = NextCode(blocks, s);
    for (;;) {
        // A clear code (or the start): the table and width start over, and
        // a new generation of pixels begins with the started line. The
        // entries outlive their pixels: a damaged stream may still reach
        // them (see NewGeneration).
        if (code == s.clearCode) {
            out = NewGeneration(s, dst, lineEnd, width, walkChains);
            roomEnd = out + (streamLimit - ROOM);
            s.everMade = std::max(s.everMade, s.nextSlot);
            s.codeSize = s.minCodeSize + 1;
            s.nextSlot = s.firstFree;
            s.topSlot = 1 << s.codeSize;
        }
        walkChains = false;
        while (code == s.clearCode) code = NextCode(blocks, s);
        if (code < 0 || code == s.endCode) break;
        if (code >= s.nextSlot) code = 0;
        s.oldCode = s.firstByte = code;
        prevSpan = MakeSpan(std::size_t(dst - origin), 1);
        *dst++ = BYTE(code);
        if (storeCompleteLines()) return;  // the image is full

        // The codes up to the next clear code.
        for (;;) {
            if (dst > roomEnd) {
                // Out of room: keep only the started line and spell codes
                // out from the table, which needs no earlier pixels.
                if (!walkChains) SpellPending(s);
                walkChains = true;
                compact(out, dst, lineEnd, width);
            }

            // The common codes in one run; the rest come here one by one.
            if (!walkChains) {
                // Narrow lines are stored a few at a time, wide ones each
                // as it ends; every line the run completes is stored before
                // the code that stopped it is taken.
                const BYTE* const mark = std::min(std::max(lineEnd, dst + LINE_BATCH), roomEnd + 1);
                const CodeRunStop stop = s.nextSlot >= MAX_CODES ? RunCodes<true>(s, origin, dst, mark, prevSpan, code)
                                                                 : RunCodes<false>(s, origin, dst, mark, prevSpan, code);
                if (storeCompleteLines()) return;  // the image is full
                if (stop == RUN_AT_MARK) continue;
                if (stop == RUN_OUT_OF_BITS) code = NextCode(blocks, s);
            } else {
                code = NextCode(blocks, s);
            }
            BYTE* const cur = dst;
            if (unsigned(code) < unsigned(s.nextSlot) && unsigned(code - s.clearCode) > 1u && !walkChains) {
                // In the table: a copy of where its string was written.
                const std::uint64_t span = entrySpan[code];
                const unsigned length = SpanLength(span);
                CopyString(dst, origin + SpanAt(span), length);
                dst += length;
            } else if (code < 0 || unsigned(code - s.clearCode) <= 1u) {
                break;
            } else if (code == s.nextSlot && !walkChains) {
                // The string of the previous code and its own first byte.
                const BYTE* previous = origin + SpanAt(prevSpan);
                const unsigned length = SpanLength(prevSpan);
                CopyString(dst, previous, length);
                dst[length] = previous[0];
                dst += length + 1;
            } else {
                if (!walkChains) SpellPending(s);
                walkChains = true;
                const int length = SpellOut(s, code, dst);
                // A chain that fills the stack loops: the decoder stops, and
                // the line it was filling is dropped.
                if (length < 0) return;
                dst += length;
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
            prevSpan = MakeSpan(std::size_t(cur - origin), std::size_t(dst - cur));
            if (storeCompleteLines()) return;  // the image is full
        }
        if (code != s.clearCode) break;
    }
    // End code: a started line is stored as far as it got. End of the input:
    // it is dropped.
    BYTE* const lineStart = lineEnd - width;
    if (code == s.endCode && dst > lineStart) lines.PutShortLine(lineStart, std::size_t(dst - lineStart));
}

// Writes the string of `code` at dst by walking its chain of prefixes, for
// codes taken after one above the next free slot (which is read as that
// slot): entries may then no longer be strings written earlier. Returns its
// length, or -1 for a chain that fills the stack.
int GifLzwDecoder::SpellOut(const LzwState& s, int code, BYTE* dst)
{
    int sp = 0;
    int chain = code;
    if (code >= s.nextSlot) {
        pixelStack[sp++] = BYTE(s.firstByte);
        chain = s.oldCode;
    }
    const int made = std::max(s.everMade, s.nextSlot);
    while (chain >= s.firstFree) {
        // Only a chain that loops can get this long.
        if (sp == STACK_SIZE - 1) return -1;
        const bool madeHere = chain < made;
        pixelStack[sp++] = madeHere ? entrySuffix[chain] : 0;
        chain = madeHere ? int(SpanPrefix(entrySpan[chain])) : 0;
    }
    pixelStack[sp++] = BYTE(chain);
    for (int i = 0; i < sp; ++i) dst[i] = pixelStack[sp - 1 - i];
    return sp;
}
