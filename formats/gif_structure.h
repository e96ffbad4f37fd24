// The block structure of a GIF file, walked once for the reader and for
// whoever must tell whether a file has been written to its end without
// decoding it.
//
// The walk: signature "GIF8" and two version bytes (not compared), logical
// screen descriptor (7 bytes), global colour table when flagged; then blocks,
// each introduced by one byte: 0x21 extension (label, then data sub-blocks up
// to a zero length), 0x2C image (descriptor of 9, local colour table when
// flagged, LZW minimum code size, data sub-blocks up to a zero length), 0x3B
// trailer, which ends the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "formats/gif_lzw.h"
#include "image/win_types.h"

constexpr char GIF_SIGNATURE[] = "GIF8";
constexpr std::size_t GIF_SIGNATURE_SIZE = sizeof GIF_SIGNATURE - 1;

// Whether the first GIF_SIGNATURE_SIZE bytes at bytes are the signature.
inline bool IsGifSignature(const BYTE* bytes) { return std::memcmp(bytes, GIF_SIGNATURE, GIF_SIGNATURE_SIZE) == 0; }

// Bytes of the colour table a packed flags byte announces (0 when none).
inline std::size_t GifColourTableBytes(std::uint8_t flags)
{
    return (flags & 0x80) ? 3u * (std::size_t(2) << (flags & 0x07)) : 0;
}

// The blocks of a GIF one after another, from bytes in memory or from a
// stream, which is read only as far as the walk goes (16 KiB at a time).
// Whatever the bytes, nothing is read past their end.
class GifBlockWalker : public GifDataBlocks {
public:
    GifBlockWalker(const BYTE* bytes, std::size_t size);
    explicit GifBlockWalker(FILE* file);

    enum class Kind {
        Screen,     // the header: screen size, flags, global table
        NotGif,     // the bytes there are of the signature differ from it
        Extension,  // label; its sub-blocks follow
        Image,      // descriptor and local table; minimum code size and sub-blocks follow
        Trailer,
        Unknown,    // an introducer the grammar does not know
        Ended,      // the bytes stop inside the block
    };
    struct Block {
        Kind kind = Kind::Ended;
        bool shortSignature = false;  // NotGif: fewer bytes than the signature were there
        std::uint8_t label = 0;       // Extension
        std::uint16_t left = 0, top = 0, width = 0, height = 0;  // Screen (width, height), Image
        std::uint8_t flags = 0;       // Screen, Image: table flag 0x80, interlace 0x40 (Image), size code
        // The colour table when flagged (valid until the walk goes on), and
        // the entries the size code gives, flagged or not.
        const BYTE* colourTable = nullptr;
        int colourCount = 0;
    };

    // The next block with its fixed part: first the header, then the blocks.
    // Whatever the caller left of the previous block's sub-blocks (and an
    // image's minimum code size) is skipped first.
    Block Next();
    // An image's LZW minimum code size, or -1 when the bytes end.
    int MinCodeSize();
    // The sub-blocks of the extension or image Next gave.
    int NextSubBlock(const BYTE*& data) override;

private:
    enum class Rest { Nothing, SubBlocks, CodeSizeAndSubBlocks };
    Block Header();
    // The colour table that block's flags announce, if any: its size and
    // where its bytes are. False when the data ends within it.
    bool TakeColourTable(Block& block);
    bool SkipRest();
    // Whether count bytes (at most the buffer) are in hand at m_at, reading
    // more from the stream if need be.
    bool Have(std::size_t count)
    {
        return std::size_t(m_end - m_at) >= count || (m_file && Refill(count));
    }
    bool Refill(std::size_t count);
    int Byte() { return Have(1) ? *m_at++ : -1; }

    const BYTE* m_at;
    const BYTE* m_end;
    FILE* m_file = nullptr;
    bool m_fileEnded = false;
    // A stream's bytes in hand: part of the walker, not a block of its own,
    // so that reading a small file allocates nothing here.
    static constexpr std::size_t STAGE_SIZE = 16384;  // more than any fixed part of a block
    BYTE m_buffer[STAGE_SIZE];
    bool m_started = false;
    Rest m_rest = Rest::Nothing;
    int m_subBlocksEnd = -1;  // what NextSubBlock gives once the sub-blocks are done
};

enum class GifCompleteness {
    Complete,    // the trailer was reached
    Incomplete,  // the bytes stop in the middle of the structure
    Damaged,     // not a GIF, or a block the walk does not know
};

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size);

// Reads the stream from where it stands (at most maxBytes of it; a longer
// one is Damaged, as is a null stream) and walks it.
GifCompleteness CheckGifStreamCompleteness(FILE* file, std::size_t maxBytes = std::size_t(64) << 20);
