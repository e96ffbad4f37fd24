#include "formats/gif_structure.h"

#include <algorithm>
#include <vector>

#include "formats/byte_cursor.h"

namespace {

// "GIF87a" or "GIF89a", then the logical screen descriptor.
constexpr std::size_t HEADER_SIZE = 13;
constexpr std::size_t SIGNATURE_AND_VERSION = 6;
constexpr std::size_t IMAGE_DESCRIPTOR_SIZE = 9;

}  // namespace

GifBlockWalker::GifBlockWalker(const BYTE* bytes, std::size_t size)
    : m_at(bytes), m_end(bytes ? bytes + size : bytes)
{
}

GifBlockWalker::GifBlockWalker(FILE* file)
    : m_at(m_buffer), m_end(m_buffer), m_file(file)
{
}

bool GifBlockWalker::Refill(std::size_t count)
{
    if (m_fileEnded || count > STAGE_SIZE) return false;
    // What is in hand moves to the front, and the rest of the buffer fills.
    const std::size_t kept = std::size_t(m_end - m_at);
    BYTE* const start = m_buffer;
    std::memmove(start, m_at, kept);
    m_at = start;
    m_end = start + kept;
    const std::size_t wanted = STAGE_SIZE - kept;
    const std::size_t got = std::fread(start + kept, 1, wanted, m_file);
    m_end += got;
    // A short read is the end: the stream is not asked again.
    if (got < wanted) m_fileEnded = true;
    return std::size_t(m_end - m_at) >= count;
}

GifBlockWalker::Block GifBlockWalker::Header()
{
    Block block;
    Have(HEADER_SIZE);
    const std::size_t got = std::min(HEADER_SIZE, std::size_t(m_end - m_at));
    // A signature begun is a file being written.
    if (got > 0 && std::memcmp(m_at, GIF_SIGNATURE, std::min(got, GIF_SIGNATURE_SIZE)) != 0) {
        block.kind = Kind::NotGif;
        block.shortSignature = got < GIF_SIGNATURE_SIZE;
        return block;
    }
    if (got < HEADER_SIZE) return block;
    ByteCursor screen(m_at, HEADER_SIZE);
    screen.Skip(SIGNATURE_AND_VERSION);
    screen.U16(block.width);
    screen.U16(block.height);
    screen.Byte(block.flags);
    m_at += HEADER_SIZE;
    if (!TakeColourTable(block)) return block;
    block.kind = Kind::Screen;
    return block;
}

// Skips what the caller left of the last block; false when the bytes end.
bool GifBlockWalker::TakeColourTable(Block& block)
{
    block.colourCount = 2 << (block.flags & 7);
    const std::size_t tableBytes = GifColourTableBytes(block.flags);
    if (!tableBytes) return true;
    if (!Have(tableBytes)) return false;
    block.colourTable = m_at;
    m_at += tableBytes;
    return true;
}

bool GifBlockWalker::SkipRest()
{
    if (m_rest == Rest::CodeSizeAndSubBlocks && MinCodeSize() < 0) return false;
    const BYTE* data = nullptr;
    while (m_rest == Rest::SubBlocks) {
        if (NextSubBlock(data) < 0) return false;
    }
    return true;
}

GifBlockWalker::Block GifBlockWalker::Next()
{
    if (!m_started) {
        m_started = true;
        return Header();
    }
    Block block;
    if (!SkipRest()) return block;
    const int introducer = Byte();
    switch (introducer) {
    case -1:
        return block;
    case 0x3B:
        block.kind = Kind::Trailer;
        return block;
    case 0x21: {
        const int label = Byte();
        if (label < 0) return block;
        block.kind = Kind::Extension;
        block.label = std::uint8_t(label);
        m_rest = Rest::SubBlocks;
        return block;
    }
    case 0x2C: {
        // Left, top, width, height, flags.
        if (!Have(IMAGE_DESCRIPTOR_SIZE)) return block;
        ByteCursor fields(m_at, IMAGE_DESCRIPTOR_SIZE);
        fields.U16(block.left);
        fields.U16(block.top);
        fields.U16(block.width);
        fields.U16(block.height);
        fields.Byte(block.flags);
        m_at += IMAGE_DESCRIPTOR_SIZE;
        if (!TakeColourTable(block)) return block;
        block.kind = Kind::Image;
        m_rest = Rest::CodeSizeAndSubBlocks;
        return block;
    }
    default:
        block.kind = Kind::Unknown;
        return block;
    }
}

int GifBlockWalker::MinCodeSize()
{
    if (m_rest != Rest::CodeSizeAndSubBlocks) return -1;
    const int size = Byte();
    m_rest = size < 0 ? Rest::Nothing : Rest::SubBlocks;
    return size;
}

int GifBlockWalker::NextSubBlock(const BYTE*& data)
{
    if (m_rest != Rest::SubBlocks) return m_subBlocksEnd;
    const int length = Byte();
    if (length <= 0 || !Have(std::size_t(length))) {
        m_rest = Rest::Nothing;
        m_subBlocksEnd = length == 0 ? 0 : -1;
        return m_subBlocksEnd;
    }
    data = m_at;
    m_at += length;
    return length;
}

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size)
{
    // Running out of bytes anywhere means "not yet written", not damage.
    GifBlockWalker walker(bytes, size);
    for (;;) {
        switch (walker.Next().kind) {
        case GifBlockWalker::Kind::Screen:
        case GifBlockWalker::Kind::Extension:
        case GifBlockWalker::Kind::Image:
            break;
        case GifBlockWalker::Kind::Trailer:
            return GifCompleteness::Complete;
        case GifBlockWalker::Kind::Ended:
            return GifCompleteness::Incomplete;
        case GifBlockWalker::Kind::NotGif:
        case GifBlockWalker::Kind::Unknown:
            return GifCompleteness::Damaged;
        }
    }
}

GifCompleteness CheckGifStreamCompleteness(FILE* file, std::size_t maxBytes)
{
    if (!file) return GifCompleteness::Damaged;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[64 * 1024];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got == 0) break;
        if (bytes.size() + got > maxBytes) return GifCompleteness::Damaged;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return CheckGifCompleteness(bytes.data(), bytes.size());
}
