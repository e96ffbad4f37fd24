#include "formats/gif_row_packing.h"

#include <cstdint>
#include <cstring>

#include "image/byte_shuffle.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void Pack4(BYTE* row, const BYTE* line, int count)
{
    int x = 0;
#if defined(__SSE2__)
    // 32 pixels to 16 bytes: in each 16-bit lane the even pixel is the low
    // byte and the odd pixel the high byte; (even << 4) | odd fits a byte.
    const __m128i nibble = _mm_set1_epi16(0x000F);
    for (; x + 32 <= count; x += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x + 16));
        const __m128i pa = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(a, nibble), 4),
                                        _mm_and_si128(_mm_srli_epi16(a, 8), nibble));
        const __m128i pb = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(b, nibble), 4),
                                        _mm_and_si128(_mm_srli_epi16(b, 8), nibble));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x / 2), _mm_packus_epi16(pa, pb));
    }
#endif
    for (; x + 2 <= count; x += 2) row[x / 2] = BYTE((line[x] << 4) | (line[x + 1] & 15));
    if (x < count) row[x / 2] = BYTE((row[x / 2] & 0x0F) | (line[x] << 4));
}

#ifdef KESTREL_BYTE_SHUFFLE
// 32 pixels to 4 bytes at a time: the shuffle reverses the pixels within
// each group of eight, so that the mask of bit 0s has the group's first
// pixel in each byte's top bit. Returns how many pixels it packed.
[[gnu::target("avx2")]] int Pack1Wide(BYTE* row, const BYTE* line, int count)
{
    const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                             7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    int x = 0;
    for (; x + 32 <= count; x += 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + x));
        v = _mm256_shuffle_epi8(v, reverse);
        const std::uint32_t bits = std::uint32_t(_mm256_movemask_epi8(_mm256_slli_epi16(v, 7)));
        std::memcpy(row + x / 8, &bits, 4);
    }
    return x;
}
#endif

void Pack1(BYTE* row, const BYTE* line, int count)
{
    int x = 0;
#ifdef KESTREL_BYTE_SHUFFLE
    if (HasWideByteShuffle()) x = Pack1Wide(row, line, count);
#endif
#if defined(__SSE2__)
    // 16 pixels to 2 bytes: reverse the pixel order within each group of
    // eight, move bit 0 of every byte to bit 7 and collect those bits.
    for (; x + 16 <= count; x += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x));
        v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        const unsigned bits = unsigned(_mm_movemask_epi8(_mm_slli_epi16(v, 7)));
        row[x / 8] = BYTE(bits);
        row[x / 8 + 1] = BYTE(bits >> 8);
    }
#endif
    for (; x + 8 <= count; x += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, line + x, 8);
        eight &= 0x0101010101010101ull;
        if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
            row[x / 8] = BYTE((eight * 0x8040201008040201ull) >> 56);
        else
            row[x / 8] = BYTE((eight * 0x0102040810204080ull) >> 56);
    }
    for (; x < count; ++x) {
        const int shift = 7 - (x & 7);
        row[x >> 3] = BYTE((row[x >> 3] & ~(1 << shift)) | ((line[x] & 1) << shift));
    }
}

}  // namespace

void PackGifRow(BYTE* row, const BYTE* line, int count, int bitCount)
{
    if (count <= 0) return;
    if (bitCount == 8)
        std::memcpy(row, line, std::size_t(count));
    else if (bitCount == 4)
        Pack4(row, line, count);
    else
        Pack1(row, line, count);
}
