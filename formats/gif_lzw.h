// GifLzwDecoder: the LZW stage of the GIF reader. It is fed an image's raster
// data as data sub-blocks, one span of bytes each, and hands the pixels on a
// line at a time; it reads no file and knows nothing of bitmaps. See
// gif_lzw.cpp for how it meets damaged data and why it is shaped as it is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/gif_stream_window.h"
#include "image/win_types.h"

// The raster data after the minimum code size: data sub-blocks up to a
// zero-length terminator.
class GifDataBlocks {
public:
    virtual ~GifDataBlocks() = default;
    // The next sub-block: its length, with its bytes at `data`; 0 at the
    // terminator; -1 when the input ends first (also inside a sub-block,
    // whose bytes are then not given).
    virtual int NextSubBlock(const BYTE*& data) = 0;
};

// Where decoded lines go, a line being the image's width of pixels, one
// byte each.
class GifLineSink {
public:
    virtual ~GifLineSink() = default;
    // Stores the whole lines at the start of `pixels` (count of them, at
    // least one line); returns how many pixels it took, fewer than the whole
    // lines only once it is full.
    virtual std::size_t PutLines(const BYTE* pixels, std::size_t count) = 0;
    // Stores a line the end code cut short, as far as it got.
    virtual void PutShortLine(const BYTE* line, std::size_t length) = 0;
    // True once it takes no more lines.
    virtual bool Full() const = 0;
};

class GifLzwDecoder {
public:
    GifLzwDecoder() = default;

    GifLzwDecoder(const GifLzwDecoder&) = delete;
    GifLzwDecoder& operator=(const GifLzwDecoder&) = delete;

    // Decodes the raster data of an image of width × height pixels into
    // lines of `width`. A minimum code size outside 2..9, or an image
    // without pixels, decodes nothing. `height` only bounds how much of the
    // decoded stream is kept; the sink says when the image is full.
    void Decode(int minCodeSize, GifDataBlocks& blocks, GifLineSink& lines, int width, int height);

    static constexpr int MAX_CODES = 4096;  // 12-bit codes
    static constexpr int STACK_SIZE = 4096;

private:
    // The decoder's registers for one image. They live in Decode's frame
    // rather than in the object so the compiler can keep them in registers
    // while pixels are written.
    struct LzwState {
        int minCodeSize;
        int codeSize;    // current code width, minCodeSize + 1 up to 12
        int clearCode;   // 1 << minCodeSize
        int endCode;     // clearCode + 1
        int firstFree;   // clearCode + 2, the first code the table assigns
        int everMade;    // entries below it were made in this image (as of the last clear code)
        int topSlot;     // 1 << codeSize: reaching it widens the codes
        int nextSlot;    // next free table slot
        int oldCode;     // previous code, the prefix of the next entry
        int firstByte;   // first pixel of the previous code's string
        std::uint32_t bitPos;        // next bit to take, counted from blockBuffer's start
        std::uint32_t stagedBits;    // bits staged in blockBuffer
        // Entries from nextSlot up to pendingEnd were made in the previous
        // generation (between the last two clear codes) without their last
        // bytes, which its pixels, kept in `previous`, still hold.
        int pendingEnd;
    };

    // The steps: the codes (NextCode, staging sub-blocks), the common codes
    // in one run (RunCodes), the string table (ResetTable, MakeEntry,
    // SpellOut) and the stream of decoded pixels (StartStream,
    // NewGeneration).
    bool StartStream(std::size_t width, std::size_t height);
    void DecodeCodes(LzwState& s, GifDataBlocks& blocks, GifLineSink& lines, std::size_t width);
    void ResetTable(LzwState& state, int minCodeSize);
    int NextCode(GifDataBlocks& blocks, LzwState& state);
    int StageBlocks(GifDataBlocks& blocks, int staged);
    // Why RunCodes stopped: the position mark reached or the table just
    // filled, the staged bytes used up (nothing taken), or a code it leaves
    // to DecodeCodes (taken). RUN_AT_WIDTH (the codes grew a bit wider, so
    // the loop for the next width goes on) stays inside RunCodes.
    enum CodeRunStop { RUN_AT_MARK, RUN_OUT_OF_BITS, RUN_AT_CODE, RUN_AT_WIDTH };
    template <bool TableFull>
    CodeRunStop RunCodes(LzwState& state, BYTE* base, BYTE*& dst, const BYTE* mark, std::uint64_t& prevSpan,
                         int& code);
    template <bool TableFull, int Width>
    CodeRunStop RunCodesOfWidth(LzwState& state, BYTE* base, BYTE*& dst, const BYTE* mark, std::uint64_t& prevSpan,
                                int& code);
    void MakeEntry(std::size_t slot, std::uint64_t written, BYTE last, std::size_t prefix);
    void SpellSuffixes(int from, int to);
    void SpellPending(LzwState& s);
    BYTE* NewGeneration(LzwState& s, BYTE*& dst, BYTE*& lineEnd, std::size_t width, bool spelled);
    int SpellOut(const LzwState& s, int code, BYTE* dst);

    // Raster data: whole data sub-blocks are gathered here, lengths stripped,
    // so codes are read from one run of bytes. rasterEnd says how the data
    // ends once the gathered bytes are used up: 0 more may follow, 1 the
    // zero-length terminator, -1 the input ended.
    // Eight bytes of slack after the staged ones let a code be read with one
    // eight-byte load wherever it starts.
    static constexpr int BLOCK_BUFFER_SIZE = 16384;
    int rasterEnd = 0;
    BYTE blockBuffer[BLOCK_BUFFER_SIZE + 8];

    // The string table (see gif_lzw.cpp): an entry's span (its length, its
    // prefix code and where its string was last written) and its last byte.
    // While the stream is well formed that string is copied whole; otherwise
    // it is spelled out by walking prefixes.
    BYTE pixelStack[STACK_SIZE];
    std::uint64_t entrySpan[MAX_CODES];
    BYTE entrySuffix[MAX_CODES];

    // Decoded pixels in stream order since the last clear code (see
    // DecodeCodes), and those of the generation before it, in the thread's
    // two stream buffers, which swap at every clear code. A span's position
    // is an offset from buffers.origin, where the window they lie in starts.
    GifStreamBuffers buffers;
    BYTE* stream = nullptr;
    BYTE* previous = nullptr;
    std::size_t streamLimit = 0;  // the bytes of a buffer this image may use
};
