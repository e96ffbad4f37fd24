// CGifImage: reads the first image of a GIF (87a or 89a) file into an indexed
// bitmap of 1, 4 or 8 bits, with its own LZW decoder. See gif_image.cpp for the
// order in which the file is read and how damage is met.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "image/dib_image.h"

// Where PutLine stores the next line of a non-interlaced image: lines fill the
// picture from the top, which in the bottom-up DIB is row height - 1.
struct GifRowCursor {
    CDibImage* image;
    int column;      // always 0: a line starts at the left edge
    int row;         // DIB row the next line goes to
    BYTE* rowStart;  // first byte of that row
};

class CGifImage : public CDibImage {
public:
    explicit CGifImage(ImageFormat format);
    ~CGifImage() override;

    CGifImage(const CGifImage&) = delete;
    CGifImage& operator=(const CGifImage&) = delete;

    // False for a null file or a file that does not start with "GIF8"; true
    // otherwise, including files that end early or hold corrupt raster data.
    bool Decode(FILE* file);

    static constexpr int READ_BUFFER_SIZE = 16384;
    static constexpr int MAX_CODES = 4096;  // 12-bit codes
    static constexpr int STACK_SIZE = 4096;

private:
    // Decode without the failure boundary.
    bool DecodeStream(FILE* file);
    // The LZW decoder's registers for one image. They live in DecodeLzw's
    // frame rather than in the object so the compiler can keep them in
    // registers while pixels are written.
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
    };

    // The decoder's steps. DecodeLzw results: 0 done (a non-interlaced image
    // that is full stops taking lines), -20 minimum code size outside 2..9,
    // -10 no memory, -1 the file ended before the minimum code size.
    std::int16_t DecodeLzw(FILE* file, GifRowCursor* cursor, int lineWidth);
    int ReadByte(FILE* file);
    int ReadBytes(FILE* file, BYTE* to, int count);
    std::int16_t ResetTable(LzwState& state, int minCodeSize);
    int NextCode(FILE* file, LzwState& state);
    int StageBlocks(FILE* file, int staged);
    // Why RunCodes stopped: the position mark reached or the table just
    // filled, the staged bytes used up (nothing taken), or a code it leaves
    // to DecodeLzw (taken). RUN_AT_WIDTH (the codes grew a bit wider, so
    // the loop for the next width goes on) stays inside RunCodes.
    enum CodeRunStop { RUN_AT_MARK, RUN_OUT_OF_BITS, RUN_AT_CODE, RUN_AT_WIDTH };
    template <bool TableFull>
    CodeRunStop RunCodes(LzwState& state, BYTE* out, BYTE*& dst, const BYTE* mark, std::uint64_t& prevSpan,
                         int& code);
    template <bool TableFull, int Width>
    CodeRunStop RunCodesOfWidth(LzwState& state, BYTE* out, BYTE*& dst, const BYTE* mark, std::uint64_t& prevSpan,
                                int& code);
    void MakeEntry(std::size_t slot, std::uint64_t written, BYTE last, std::size_t prefix);
    int PutLine(GifRowCursor* cursor, const BYTE* line, int length);
    std::size_t PlaceLines(GifRowCursor* cursor, const BYTE* pixels, std::size_t lineStart,
                           std::size_t produced, int lineWidth);
    bool GrowStream(std::size_t needed);
    bool ReadGraphicControl(FILE* file);
    void ApplyColourTable(const BYTE* colourTable, int colourCount);

    // Interlace position and the read-ahead.
    std::int32_t interlaced;   // 0 or 0x40
    std::int32_t passRow;      // picture row (0 = top) of the next interlaced line
    std::int32_t passStep;
    std::int32_t imageHeight;
    std::int32_t passNumber;   // interlace passes finished
    std::int32_t readIndex;    // next byte of readBuffer to hand out
    std::int32_t readCount;    // bytes in readBuffer
    bool readEnded;            // the file gave less than a full buffer
    BYTE readBuffer[READ_BUFFER_SIZE];

    // Raster data: whole data sub-blocks are gathered here, lengths stripped,
    // so codes are read from one run of bytes. rasterEnd says how the data
    // ends once the gathered bytes are used up: 0 more may follow, 1 the
    // zero-length terminator, -1 the file ended.
    // Eight bytes of slack after the staged ones let a code be read with one
    // eight-byte load wherever it starts.
    static constexpr int BLOCK_BUFFER_SIZE = 16384;
    int rasterEnd;
    BYTE blockBuffer[BLOCK_BUFFER_SIZE + 8];

    // The string table (see gif_image.cpp): an entry's span (its length and
    // where its string was last written), its prefix code and its last byte.
    // While the stream is well formed that string is copied whole; otherwise
    // it is spelled out by walking prefixes.
    BYTE pixelStack[STACK_SIZE];
    std::uint64_t entrySpan[MAX_CODES];
    std::uint16_t entryPrefix[MAX_CODES];
    BYTE entrySuffix[MAX_CODES];

    // Decoded pixels in stream order since the last clear code (see
    // DecodeLzw), malloc'd.
    BYTE* stream;
    std::size_t streamCapacity;
    std::size_t streamLimit;
};
