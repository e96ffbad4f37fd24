#include "tests/support/memory_file.h"

namespace kestrel::test {

FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes)
{
    static unsigned char none = 0;
    void* data = bytes.empty() ? &none : const_cast<std::uint8_t*>(bytes.data());
    return fmemopen(data, bytes.size(), "rb");
}

bool DecodeBytes(const std::vector<std::uint8_t>& bytes, CDibImage& image, ImageFormat format)
{
    FILE* file = OpenMemoryFile(bytes);
    if (!file) return false;
    const bool ok = image.Decode(file, format);
    std::fclose(file);
    return ok;
}

}  // namespace kestrel::test
