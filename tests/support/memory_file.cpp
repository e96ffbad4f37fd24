#include "tests/support/memory_file.h"

namespace kestrel::test {

FILE* OpenMemoryFile(const void* data, std::size_t size)
{
    // fmemopen refuses a zero-length buffer; a stream on one byte that is
    // already at its end reads as an empty file.
    static unsigned char none = 0;
    if (size == 0) {
        FILE* stream = fmemopen(&none, 1, "rb");
        if (stream) std::fseek(stream, 0, SEEK_END);
        return stream;
    }
    return fmemopen(const_cast<void*>(data), size, "rb");
}

FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes)
{
    return OpenMemoryFile(bytes.data(), bytes.size());
}

bool DecodeFromBytes(CDibImage& image, const std::string& bytes, ImageFormat format, int frameIndex)
{
    FILE* stream = OpenMemoryFile(bytes.data(), bytes.size());
    if (!stream) return false;
    image.SetFrameIndex(frameIndex);
    const bool ok = image.Decode(stream, format);
    std::fclose(stream);
    return ok;
}

}  // namespace kestrel::test
