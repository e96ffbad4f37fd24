#include "formats/packed_rows.h"

#include <algorithm>
#include <cstring>

void WidenTwoBitRow(const BYTE* src, BYTE* dst, std::size_t width)
{
    for (std::size_t n = width; n-- > 0;) {
        const BYTE value = BYTE((src[n / 4] >> (6 - 2 * (n % 4))) & 3);
        BYTE& out = dst[n / 2];
        out = (n % 2 == 0) ? BYTE((out & 0x0F) | (value << 4)) : BYTE((out & 0xF0) | value);
    }
}

namespace {

void CopyBitsOneByOne(const BYTE* src, std::size_t srcBit, BYTE* dst, std::size_t dstBit,
                      std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = srcBit + i;
        const std::size_t to = dstBit + i;
        const unsigned bit = (src[from / 8] >> (7 - from % 8)) & 1u;
        const BYTE mask = BYTE(0x80u >> (to % 8));
        dst[to / 8] = bit ? BYTE(dst[to / 8] | mask) : BYTE(dst[to / 8] & ~mask);
    }
}

}  // namespace

void CopyBits(const BYTE* src, std::size_t srcBit, BYTE* dst, std::size_t dstBit,
              std::size_t count)
{
    // Bring the destination to a byte boundary (at most 7 bits).
    const std::size_t lead = std::min(count, (8 - dstBit % 8) % 8);
    CopyBitsOneByOne(src, srcBit, dst, dstBit, lead);
    srcBit += lead;
    dstBit += lead;
    count -= lead;

    // Whole destination bytes: straight copies when the source is aligned
    // too, else each byte from the two source bytes it straddles (the
    // second one holds bits of the range, so it is never past the source).
    const std::size_t whole = count / 8;
    const unsigned shift = unsigned(srcBit % 8);
    const BYTE* in = src + srcBit / 8;
    BYTE* out = dst + dstBit / 8;
    if (whole == 0) {
        // Nothing whole to move (and the buffers may be empty).
    } else if (shift == 0) {
        std::memcpy(out, in, whole);
    } else {
        for (std::size_t i = 0; i < whole; ++i)
            out[i] = BYTE((in[i] << shift) | (in[i + 1] >> (8 - shift)));
    }

    // The last partial byte.
    CopyBitsOneByOne(src, srcBit + 8 * whole, dst, dstBit + 8 * whole, count % 8);
}
