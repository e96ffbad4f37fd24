#include "image/device_context.h"
#include "image/byte_shuffle.h"
#include "image/device_stores.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

int ClampToInt(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The colour table as surface words; indices beyond the table give black.
void SurfacePalette(const DibView& dib, std::uint32_t (&out)[256])
{
    const int count = dib.palette ? std::clamp(dib.paletteSize, 0, 256) : 0;
    for (int i = 0; i < 256; ++i) {
        if (i < count) {
            const RGBQUAD& c = dib.palette[i];
            out[i] = OPAQUE | (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) |
                     c.rgbBlue;
        } else {
            out[i] = OPAQUE;
        }
    }
}

// One stored row, pixels [first, first + count), onto surface words.
void IndexedRowToSurface(const BYTE* row, int bitCount, std::int64_t first, std::int64_t count,
                         const std::uint32_t (&palette)[256], std::uint32_t* out, bool stream)
{
    switch (bitCount) {
    case 8: {
        row += first;
        std::int64_t i = 0;
#if defined(__SSE2__)
        if (stream) {
            // Eight indices from one load, out as two streamed quads.
            for (const std::int64_t head = WordsBeforeAligned(out, count); i < head; ++i) out[i] = palette[row[i]];
            for (; i + 8 <= count; i += 8) {
                std::uint64_t eight;
                std::memcpy(&eight, row + i, 8);
                auto word = [&](int k) { return int(palette[(eight >> (8 * k)) & 0xFF]); };
                _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), _mm_setr_epi32(word(0), word(1), word(2), word(3)));
                _mm_stream_si128(reinterpret_cast<__m128i*>(out + i + 4),
                                 _mm_setr_epi32(word(4), word(5), word(6), word(7)));
            }
        }
#endif
        StoreWords(out + i, count - i, false, [&](std::int64_t k) { return palette[row[i + k]]; });
        break;
    }
    case 4:
        StoreWords(out, count, stream, [&](std::int64_t i) {
            const std::int64_t x = first + i;
            return palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        });
        break;
    case 1:
        StoreWords(out, count, stream, [&](std::int64_t i) {
            const std::int64_t x = first + i;
            return palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        });
        break;
    default:
        break;
    }
}

std::uint32_t Load32(const BYTE* at)
{
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void Store32(BYTE* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

#ifdef KESTREL_BYTE_SHUFFLE
// Sixteen pixels (48 bytes) per step with the byte shuffle: each group of
// four triples is spread to four words, alpha set. `out` is 16-byte aligned
// when streamed. Returns how many pixels it wrote (a multiple of 16).
[[gnu::target("ssse3")]] std::int64_t BgrSixteensToSurface(const BYTE* bgr, std::int64_t count, std::uint32_t* out,
                                                           bool stream)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int(OPAQUE));
    std::int64_t i = 0;
    for (; i + 16 <= count; i += 16, bgr += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 32));
        const __m128i quads[4] = {
            _mm_or_si128(_mm_shuffle_epi8(a, spread), alpha),
            _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), alpha),
            _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), alpha),
            _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), alpha),
        };
        for (int q = 0; q < 4; ++q) {
            __m128i* to = reinterpret_cast<__m128i*>(out + i + 4 * q);
            if (stream)
                _mm_stream_si128(to, quads[q]);
            else
                _mm_storeu_si128(to, quads[q]);
        }
    }
    return i;
}
#endif

// Blue, green, red triples onto surface words: sixteen at a time where the
// processor can shuffle bytes, else four pixels (twelve bytes) per step.
void BgrRowToSurface(const BYTE* bgr, std::int64_t count, std::uint32_t* out, bool stream = false)
{
    std::int64_t i = 0;
#if defined(__SSE2__)
    if (stream)
        for (const std::int64_t head = WordsBeforeAligned(out, count); i < head; ++i, bgr += 3)
            out[i] = OPAQUE | (std::uint32_t(bgr[2]) << 16) | (std::uint32_t(bgr[1]) << 8) | bgr[0];
#endif
#if defined(KESTREL_BYTE_SHUFFLE)
    if (HasByteShuffle()) {
        const std::int64_t done = BgrSixteensToSurface(bgr, count - i, out + i, stream);
        i += done;
        bgr += 3 * done;
    }
#endif
#if defined(__SSE2__)
    if (stream) {
        // Four pixels from one 16-byte load (so two more pixels must follow
        // in the row): each moved to the bottom of a copy of the register,
        // the copies' low words interleaved, the alpha byte set.
        const __m128i alpha = _mm_set1_epi32(int(OPAQUE));
        for (; i + 6 <= count; i += 4, bgr += 12) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr));
            const __m128i first = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
            const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_unpacklo_epi64(first, second), alpha));
        }
    }
#endif
    for (; i + 4 <= count; i += 4, bgr += 12) {
        const std::uint32_t w0 = Load32(bgr), w1 = Load32(bgr + 4), w2 = Load32(bgr + 8);
        out[i] = OPAQUE | (w0 & 0xFFFFFF);
        out[i + 1] = OPAQUE | (w0 >> 24) | ((w1 & 0xFFFF) << 8);
        out[i + 2] = OPAQUE | (w1 >> 16) | ((w2 & 0xFF) << 16);
        out[i + 3] = OPAQUE | (w2 >> 8);
    }
    for (; i < count; ++i, bgr += 3)
        out[i] = OPAQUE | (std::uint32_t(bgr[2]) << 16) | (std::uint32_t(bgr[1]) << 8) | bgr[0];
}

// The reverse: surface words to blue, green, red triples.
void SurfaceRowToBgr(const std::uint32_t* in, std::int64_t count, BYTE* bgr)
{
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4, bgr += 12) {
        const std::uint32_t p0 = in[i], p1 = in[i + 1], p2 = in[i + 2], p3 = in[i + 3];
        Store32(bgr, (p0 & 0xFFFFFF) | (p1 << 24));
        Store32(bgr + 4, ((p1 >> 8) & 0xFFFF) | (p2 << 16));
        Store32(bgr + 8, ((p2 >> 16) & 0xFF) | (p3 << 8));
    }
    for (; i < count; ++i, bgr += 3) {
        bgr[0] = BYTE(in[i]);
        bgr[1] = BYTE(in[i] >> 8);
        bgr[2] = BYTE(in[i] >> 16);
    }
}

}  // namespace

DeviceContext::DeviceContext(std::uint32_t* pixels, int width, int height, int pitchBytes)
    : m_pixels(pixels), m_width(width), m_height(height), m_pitchBytes(pitchBytes)
{
    if (!pixels || width <= 0 || height <= 0 || std::int64_t(pitchBytes) < std::int64_t(width) * 4) {
        m_pixels = nullptr;
        m_width = m_height = 0;
        m_pitchBytes = 0;
    }
    m_clip = SurfaceSpan{0, 0, m_width, m_height};
}

void DeviceContext::SetLogicalOrigin(int x, int y)
{
    m_originX = x;
    m_originY = y;
}

void DeviceContext::SetClipRect(DeviceRect logical)
{
    m_clip.left = std::max<std::int64_t>(0, std::int64_t(logical.left) - m_originX);
    m_clip.top = std::max<std::int64_t>(0, std::int64_t(logical.top) - m_originY);
    m_clip.right = std::min<std::int64_t>(m_width, std::int64_t(logical.right) - m_originX);
    m_clip.bottom = std::min<std::int64_t>(m_height, std::int64_t(logical.bottom) - m_originY);
    if (m_clip.IsEmpty()) m_clip = SurfaceSpan{0, 0, 0, 0};
}

void DeviceContext::ResetClip() { m_clip = SurfaceSpan{0, 0, m_width, m_height}; }

DeviceRect DeviceContext::GetClipBox() const
{
    return DeviceRect{ClampToInt(m_clip.left + m_originX), ClampToInt(m_clip.top + m_originY),
                      ClampToInt(m_clip.right + m_originX), ClampToInt(m_clip.bottom + m_originY)};
}

std::uint32_t* DeviceContext::Row(std::int64_t y) const
{
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<BYTE*>(m_pixels) + y * m_pitchBytes);
}

DeviceContext::SurfaceSpan DeviceContext::ClippedSpan(std::int64_t x, std::int64_t y,
                                                      std::int64_t width,
                                                      std::int64_t height) const
{
    const std::int64_t left = x - m_originX, top = y - m_originY;
    SurfaceSpan span{std::max(left, m_clip.left), std::max(top, m_clip.top),
                     std::min(left + std::max<std::int64_t>(width, 0), m_clip.right),
                     std::min(top + std::max<std::int64_t>(height, 0), m_clip.bottom)};
    return span;
}

void DeviceContext::FillSolid(DeviceRect logical, COLORREF colour)
{
    const SurfaceSpan span =
        ClippedSpan(logical.left, logical.top, std::int64_t(logical.right) - logical.left,
                    std::int64_t(logical.bottom) - logical.top);
    if (span.IsEmpty()) return;
    const std::uint32_t word = OPAQUE | (std::uint32_t(GetRValue(colour)) << 16) |
                               (std::uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
    for (std::int64_t y = span.top; y < span.bottom; ++y)
        std::fill(Row(y) + span.left, Row(y) + span.right, word);
}

void DeviceContext::TransferDib(int x, int y, const DibView& dib)
{
    if (!dib.IsDrawable()) return;
    const SurfaceSpan span = ClippedSpan(x, y, dib.width, dib.height);
    if (span.IsEmpty()) return;

    std::uint32_t palette[256];
    if (dib.bitCount != 24) SurfacePalette(dib, palette);
    const std::int64_t left = std::int64_t(x) - m_originX;
    const std::int64_t top = std::int64_t(y) - m_originY;
    const std::int64_t first = span.left - left;  // first source column shown
    const std::int64_t count = span.right - span.left;
    const bool stream = StreamsArea(count, span.bottom - span.top);
    for (std::int64_t line = span.top; line < span.bottom; ++line) {
        // The first stored row is the bottom line.
        const std::int64_t storedRow = top + dib.height - 1 - line;
        const BYTE* row = dib.bits + storedRow * dib.stride;
        std::uint32_t* out = Row(line) + span.left;
        if (dib.bitCount == 24)
            BgrRowToSurface(row + 3 * first, count, out, stream);
        else
            IndexedRowToSurface(row, dib.bitCount, first, count, palette, out, stream);
    }
    FinishStreaming(stream);
}

OffscreenSection DeviceContext::CreateSection(int width, int height) const
{
    return OffscreenSection(width, height, m_sectionByteLimit);
}

void DeviceContext::CopyToSection(int x, int y, OffscreenSection& section, int rows) const
{
    if (!section.Bits()) return;
    rows = std::clamp(rows, 0, section.Height());
    const std::int64_t left = std::int64_t(x) - m_originX;
    const std::int64_t top = std::int64_t(y) - m_originY;
    // What lies outside the surface (not outside the clip) reads as black.
    const std::int64_t shownLeft = std::clamp<std::int64_t>(left, 0, m_width);
    const std::int64_t shownRight = std::clamp<std::int64_t>(left + section.Width(), 0, m_width);
    for (int k = 0; k < rows; ++k) {
        BYTE* out = section.Row(k);
        const std::int64_t line = top + rows - 1 - k;
        if (line < 0 || line >= m_height || shownRight <= shownLeft) {
            std::memset(out, 0, std::size_t(section.Width()) * 3);
            continue;
        }
        std::memset(out, 0, std::size_t(shownLeft - left) * 3);
        SurfaceRowToBgr(Row(line) + shownLeft, shownRight - shownLeft, out + 3 * (shownLeft - left));
        const std::int64_t after = left + section.Width() - shownRight;
        std::memset(out + 3 * (shownRight - left), 0, std::size_t(after) * 3);
    }
}

void DeviceContext::TransferSection(int x, int y, const OffscreenSection& section, int rows)
{
    TransferDib(x, y, section.View(rows));
}

SurfaceWindow DeviceContext::OpenWindow(DeviceRect logical) const
{
    const std::int64_t width = std::int64_t(logical.right) - logical.left;
    const std::int64_t height = std::int64_t(logical.bottom) - logical.top;
    if (width <= 0 || height <= 0) return SurfaceWindow();
    const SurfaceSpan span = ClippedSpan(logical.left, logical.top, width, height);
    if (span.IsEmpty() || span.right - span.left != width || span.bottom - span.top != height)
        return SurfaceWindow();
    return SurfaceWindow(Row(span.top) + span.left, m_pitchBytes, int(width), int(height));
}

std::uint32_t DeviceContext::SurfacePixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    return Row(y)[x];
}
