#include "formats/gif_structure.h"

#include <algorithm>
#include <vector>

#include "formats/byte_cursor.h"

namespace {

bool SkipSubBlocks(ByteCursor& cursor)
{
    for (;;) {
        std::uint8_t length = 0;
        if (!cursor.Byte(length)) return false;
        if (length == 0) return true;
        if (!cursor.Skip(length)) return false;
    }
}

}  // namespace

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size)
{
    // Running out of bytes anywhere means "not yet written", not damage.
    if (size == 0) return GifCompleteness::Incomplete;  // created, nothing written yet
    // A signature begun is a file being written.
    if (std::memcmp(bytes, GIF_SIGNATURE, std::min(size, GIF_SIGNATURE_SIZE)) != 0) return GifCompleteness::Damaged;
    ByteCursor cursor(bytes, size);
    std::uint8_t flags = 0;
    if (!cursor.Skip(GIF_SIGNATURE_SIZE + 2) || !cursor.Skip(4) || !cursor.Byte(flags) || !cursor.Skip(2) ||
        !cursor.Skip(GifColourTableBytes(flags))) {
        return GifCompleteness::Incomplete;
    }

    for (;;) {
        std::uint8_t introducer = 0;
        if (!cursor.Byte(introducer)) return GifCompleteness::Incomplete;
        switch (introducer) {
        case 0x3B:
            return GifCompleteness::Complete;
        case 0x21:
            if (!cursor.Skip(1) || !SkipSubBlocks(cursor)) return GifCompleteness::Incomplete;
            break;
        case 0x2C: {
            std::uint8_t imageFlags = 0;
            if (!cursor.Skip(8) || !cursor.Byte(imageFlags) || !cursor.Skip(GifColourTableBytes(imageFlags)) ||
                !cursor.Skip(1) || !SkipSubBlocks(cursor)) {
                return GifCompleteness::Incomplete;
            }
            break;
        }
        default:
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
