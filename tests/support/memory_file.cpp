#include "tests/support/memory_file.h"

namespace kestrel::test {

FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes)
{
    // fmemopen wants a buffer even for no bytes.
    static unsigned char none = 0;
    void* data = bytes.empty() ? &none : const_cast<std::uint8_t*>(bytes.data());
    return fmemopen(data, bytes.size(), "rb");
}

}  // namespace kestrel::test
