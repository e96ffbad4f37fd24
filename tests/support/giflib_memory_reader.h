// Feeding giflib from bytes in memory, for the tests and benchmarks that use
// it as a peer. Header only: the test support library does not link giflib.
#pragma once

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "tests/support/gif_writer.h"

namespace kestrel::test {

// Pass a MemoryReader as user data to DGifOpen with ReadFromMemory.
struct MemoryReader {
    const GifBytes* bytes;
    std::size_t pos;
};

inline int ReadFromMemory(GifFileType* gif, GifByteType* to, int count)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t n = std::min(std::size_t(count), reader->bytes->size() - reader->pos);
    std::memcpy(to, reader->bytes->data() + reader->pos, n);
    reader->pos += n;
    return int(n);
}

}  // namespace kestrel::test
