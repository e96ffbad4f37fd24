#include "formats/gif_row_packing.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "image/byte_shuffle.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The pixels from x on, after a wider loop packed those before it.
void Pack4From(BYTE* row, const BYTE* line, int x, int count)
{
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

void Pack1From(BYTE* row, const BYTE* line, int x, int count)
{
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

void Pack8(BYTE* row, const BYTE* line, int count) { std::memcpy(row, line, std::size_t(count)); }
void Pack4(BYTE* row, const BYTE* line, int count) { Pack4From(row, line, 0, count); }
void Pack1(BYTE* row, const BYTE* line, int count) { Pack1From(row, line, 0, count); }

#ifdef KESTREL_BYTE_SHUFFLE
// 32 pixels to 4 bytes at a time: the shuffle reverses the pixels within
// each group of eight, so that the mask of bit 0s has the group's first
// pixel in each byte's top bit.
[[gnu::target("avx2")]] void Pack1Avx2(BYTE* row, const BYTE* line, int count)
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
    Pack1From(row, line, x, count);
}

// The same, 64 pixels to 8 bytes; a byte test gives the mask of bit 0s
// directly.
[[gnu::target("avx512bw")]] void Pack1Avx512(BYTE* row, const BYTE* line, int count)
{
    // In each 128-bit lane: bytes 7..0, then 15..8.
    const __m512i reverse = _mm512_set4_epi32(0x08090A0B, 0x0C0D0E0F, 0x00010203, 0x04050607);
    const __m512i one = _mm512_set1_epi8(1);
    int x = 0;
    for (; x + 64 <= count; x += 64) {
        const __m512i v = _mm512_shuffle_epi8(_mm512_loadu_si512(line + x), reverse);
        const std::uint64_t bits = _mm512_test_epi8_mask(v, one);
        std::memcpy(row + x / 8, &bits, 8);
    }
    Pack1From(row, line, x, count);
}

// 64 pixels to 32 bytes: as the SSE2 loop, the 16-bit lanes then narrowed
// to bytes, in order, by one instruction.
[[gnu::target("avx512bw")]] void Pack4Avx512(BYTE* row, const BYTE* line, int count)
{
    const __m512i nibble = _mm512_set1_epi16(0x000F);
    int x = 0;
    for (; x + 64 <= count; x += 64) {
        const __m512i a = _mm512_loadu_si512(line + x);
        const __m512i packed = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(a, nibble), 4),
                                               _mm512_and_si512(_mm512_srli_epi16(a, 8), nibble));
        // (The unmasked form trips a false warning in GCC 12's header.)
        const __m256i bytes = _mm512_maskz_cvtepi16_epi8(~__mmask32(0), packed);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x / 2), bytes);
    }
    Pack4From(row, line, x, count);
}

bool HasWideByteTest()
{
    static const bool has = __builtin_cpu_supports("avx512bw");
    return has;
}
#endif

}  // namespace

std::size_t GifRowPackersFor(int bitCount, GifRowPacker (&packers)[MAX_GIF_ROW_PACKERS])
{
    std::size_t count = 0;
    if (bitCount == 8) {
        packers[count++] = Pack8;
        return count;
    }
    const bool fourBits = bitCount == 4;
#ifdef KESTREL_BYTE_SHUFFLE
    if (HasWideByteTest()) packers[count++] = fourBits ? Pack4Avx512 : Pack1Avx512;
    if (!fourBits && HasWideByteShuffle()) packers[count++] = Pack1Avx2;
#endif
    packers[count++] = fourBits ? Pack4 : Pack1;
    return count;
}

GifRowPacker GifRowPackerFor(int bitCount)
{
    // Asked of the processor once for each depth.
    static const std::array<GifRowPacker, 3> chosen = [] {
        std::array<GifRowPacker, 3> best{};
        const int depths[3] = {1, 4, 8};
        for (std::size_t i = 0; i < best.size(); ++i) {
            GifRowPacker packers[MAX_GIF_ROW_PACKERS];
            GifRowPackersFor(depths[i], packers);
            best[i] = packers[0];
        }
        return best;
    }();
    return chosen[bitCount == 8 ? 2 : bitCount == 4 ? 1 : 0];
}

void PackGifRow(BYTE* row, const BYTE* line, int count, int bitCount)
{
    if (count <= 0) return;
    GifRowPackerFor(bitCount)(row, line, count);
}
