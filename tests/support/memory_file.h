// Bytes held in memory opened as a read-only stdio stream, so a reader can be
// fed a file built in code without touching the disk (decode_bytes.h goes
// through a temporary file instead, which is slower in loops of thousands).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace kestrel::test {

// A stream over the bytes, which must outlive it; close with fclose.
FILE* OpenMemoryFile(const std::vector<std::uint8_t>& bytes);

}  // namespace kestrel::test
