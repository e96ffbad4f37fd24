#include "formats/packed_rows.h"

#include <cstring>

void WidenTwoBitRow(const BYTE* src, BYTE* dst, std::size_t width)
{
    for (std::size_t n = width; n-- > 0;) {
        const BYTE value = BYTE((src[n / 4] >> (6 - 2 * (n % 4))) & 3);
        BYTE& out = dst[n / 2];
        out = (n % 2 == 0) ? BYTE((out & 0x0F) | (value << 4)) : BYTE((out & 0xF0) | value);
    }
}

void CopyBits(const BYTE* src, std::size_t srcBit, BYTE* dst, std::size_t dstBit,
              std::size_t count)
{
    // Tiles start on byte boundaries for every usual depth: copy whole bytes
    // and finish the last partial byte under a mask.
    if (srcBit % 8 == 0 && dstBit % 8 == 0) {
        const std::size_t whole = count / 8;
        std::memcpy(dst + dstBit / 8, src + srcBit / 8, whole);
        const unsigned rest = unsigned(count % 8);
        if (rest != 0) {
            const BYTE mask = BYTE(0xFF << (8 - rest));
            BYTE& out = dst[dstBit / 8 + whole];
            out = BYTE((out & ~mask) | (src[srcBit / 8 + whole] & mask));
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = srcBit + i;
        const std::size_t to = dstBit + i;
        const unsigned bit = (src[from / 8] >> (7 - from % 8)) & 1u;
        const BYTE mask = BYTE(0x80u >> (to % 8));
        dst[to / 8] = bit ? BYTE(dst[to / 8] | mask) : BYTE(dst[to / 8] & ~mask);
    }
}
