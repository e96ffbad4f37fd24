// Small reads the hand-written readers share: fixed-order fields from a
// header already in memory, whole reads, and how much a stream still holds.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/win_types.h"

inline std::uint16_t Le16(const BYTE* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

inline std::uint32_t Le32(const BYTE* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline std::uint32_t Be32(const BYTE* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

inline std::uint64_t Be64(const BYTE* p) { return (std::uint64_t(Be32(p)) << 32) | Be32(p + 4); }

// True when all of bytes were read (or none were asked for).
inline bool ReadExact(FILE* file, void* buffer, std::size_t bytes)
{
    return bytes == 0 || std::fread(buffer, 1, bytes, file) == bytes;
}

// Bytes from the current position to the end, or -1 when the stream cannot
// tell (a pipe); such a stream is not bounded up front.
inline std::int64_t BytesLeft(FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end < here ? 0 : end - here;
}
