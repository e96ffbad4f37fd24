// Writing large areas of a 32-bit surface. A frame of several megabytes does
// not fit the caches, so ordinary stores first read every line they overwrite
// from memory; streaming stores go past the caches and skip that read, which
// is how memcpy fills a large destination too. Small areas keep ordinary
// stores, which leave the pixels in the cache for whoever reads them next.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// An area of at least this many bytes is written with streaming stores.
constexpr std::int64_t STREAMED_AREA_BYTES = std::int64_t(1) << 20;

inline bool StreamsArea(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width * height * 4 >= STREAMED_AREA_BYTES;
}

// How many of count words at out come before the first 16-byte aligned
// address, where streaming stores can start.
inline std::int64_t WordsBeforeAligned(const std::uint32_t* out, std::int64_t count)
{
    const std::int64_t past = std::int64_t((reinterpret_cast<std::uintptr_t>(out) >> 2) & 3);
    const std::int64_t before = past ? 4 - past : 0;
    return before < count ? before : count;
}

// out[i] = wordAt(i) for i < count; streamed when `stream`. wordAt is
// called once per word, in order.
template <class WordAt>
inline void StoreWords(std::uint32_t* out, std::int64_t count, bool stream, WordAt wordAt)
{
    std::int64_t i = 0;
#if defined(__SSE2__)
    if (stream) {
        // Streaming stores write 16 aligned bytes; the words before the
        // first such address are stored one by one.
        for (const std::int64_t head = WordsBeforeAligned(out, count); i < head; ++i) out[i] = wordAt(i);
        for (; i + 4 <= count; i += 4) {
            const std::uint32_t w0 = wordAt(i), w1 = wordAt(i + 1), w2 = wordAt(i + 2), w3 = wordAt(i + 3);
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_setr_epi32(int(w0), int(w1), int(w2), int(w3)));
        }
    }
#endif
    for (; i < count; ++i) out[i] = wordAt(i);
}

// Copies count words; streamed when `stream`.
inline void CopyWords(std::uint32_t* out, const std::uint32_t* in, std::int64_t count, bool stream)
{
#if defined(__SSE2__)
    if (stream) {
        std::int64_t i = 0;
        for (const std::int64_t head = WordsBeforeAligned(out, count); i < head; ++i) out[i] = in[i];
        for (; i + 4 <= count; i += 4)
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
        for (; i < count; ++i) out[i] = in[i];
        return;
    }
#endif
    std::memcpy(out, in, std::size_t(count) * 4);
}

// Streamed stores are ordered with later ones only after this; called once
// an area is written.
inline void FinishStreaming(bool stream)
{
#if defined(__SSE2__)
    if (stream) _mm_sfence();
#else
    (void)stream;
#endif
}
