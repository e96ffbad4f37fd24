#include "shots/gif_completeness.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A cursor that never reads past the end; running out means "not yet
// written", not an error.
class Cursor {
public:
    Cursor(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}
    bool Skip(std::size_t count)
    {
        if (count > m_size - m_at) return false;
        m_at += count;
        return true;
    }
    bool Byte(std::uint8_t& value)
    {
        if (m_at >= m_size) return false;
        value = m_bytes[m_at++];
        return true;
    }
    const std::uint8_t* Here() const { return m_bytes + m_at; }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
};

bool SkipSubBlocks(Cursor& cursor)
{
    for (;;) {
        std::uint8_t length = 0;
        if (!cursor.Byte(length)) return false;
        if (length == 0) return true;
        if (!cursor.Skip(length)) return false;
    }
}

std::size_t ColourTableBytes(std::uint8_t flags)
{
    return (flags & 0x80) ? 3u * (std::size_t(2) << (flags & 0x07)) : 0;
}

}  // namespace

GifCompleteness CheckGifCompleteness(const std::uint8_t* bytes, std::size_t size)
{
    Cursor cursor(bytes, size);
    if (size == 0) return GifCompleteness::Incomplete;  // created, nothing written yet
    if (size < 6) {
        // Too short to tell: a signature begun is a file being written.
        return std::memcmp(bytes, "GIF89a", size) == 0 || std::memcmp(bytes, "GIF87a", size) == 0
                   ? GifCompleteness::Incomplete
                   : GifCompleteness::Damaged;
    }
    if (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0) return GifCompleteness::Damaged;
    cursor.Skip(6);

    if (!cursor.Skip(4)) return GifCompleteness::Incomplete;  // width, height
    std::uint8_t flags = 0;
    if (!cursor.Byte(flags) || !cursor.Skip(2)) return GifCompleteness::Incomplete;
    if (!cursor.Skip(ColourTableBytes(flags))) return GifCompleteness::Incomplete;

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
            if (!cursor.Skip(8) || !cursor.Byte(imageFlags)) return GifCompleteness::Incomplete;
            if (!cursor.Skip(ColourTableBytes(imageFlags))) return GifCompleteness::Incomplete;
            if (!cursor.Skip(1) || !SkipSubBlocks(cursor)) return GifCompleteness::Incomplete;
            break;
        }
        default:
            return GifCompleteness::Damaged;
        }
    }
}

GifCompleteness CheckGifFileCompleteness(const std::string& path, std::size_t maxBytes)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return GifCompleteness::Damaged;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[64 * 1024];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got == 0) break;
        if (bytes.size() + got > maxBytes) return GifCompleteness::Damaged;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return CheckGifCompleteness(bytes.data(), bytes.size());
}
