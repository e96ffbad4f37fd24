#include "image/draw_composer.h"

#include "image/device_stores.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Colours move between RGBQUAD bytes, BGR triples and surface words by plain
// little-endian loads.
static_assert(std::endian::native == std::endian::little, "surface words are little-endian");

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

// Blue, green, red and reserved from the low byte up.
std::uint32_t Word(RGBQUAD c)
{
    return std::uint32_t(c.rgbBlue) | (std::uint32_t(c.rgbGreen) << 8) |
           (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbReserved) << 24);
}

template <int Bits>
unsigned IndexAt(const BYTE* row, std::int32_t column)
{
    if constexpr (Bits == 8) return row[column];
    if constexpr (Bits == 4) return (row[column >> 1] >> ((column & 1) ? 0 : 4)) & 15u;
    if constexpr (Bits == 1) return (row[column >> 3] >> (7 - (column & 7))) & 1u;
}

// Three bytes blue, green, red; the fourth byte read is dropped.
std::uint32_t LoadBgrWide(const BYTE* at)
{
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value & 0xFFFFFFu;
}

std::uint32_t LoadBgr(const BYTE* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16);
}

// Colour over background with weight a (at most 254), red and blue in one
// multiplication: each channel's sum stays below 65536, so the two never
// carry into each other.
std::uint32_t Blend(std::uint32_t background, std::uint32_t colour, unsigned a)
{
    const unsigned keep = 255 - a;
    const std::uint32_t redBlue = ((background & 0xFF00FFu) * keep + (colour & 0xFF00FFu) * a) >> 8;
    const std::uint32_t green = ((background & 0xFF00u) * keep + (colour & 0xFF00u) * a) >> 8;
    return OPAQUE | (redBlue & 0xFF00FFu) | (green & 0xFF00u);
}

// One gathered colour (a in the top byte, 255 for a keyed pixel) over the
// background. Everything composed is opaque, so a keyed pixel keeps its
// colour and becomes opaque too.
std::uint32_t BlendGathered(std::uint32_t background, std::uint32_t gathered)
{
    const unsigned a = gathered >> 24;
    return a == 255 ? background | OPAQUE : Blend(background, gathered, a);
}

// The second pass of blending, over a whole line.
void BlendLine(std::uint32_t* inout, const std::uint32_t* gathered, int count)
{
    int i = 0;
#if defined(__SSE2__)
    // Four pixels at a time, each channel widened to 16 bits: the products
    // and their sum stay below 65536 (the alpha lanes overflow, but they are
    // replaced by 255 at the end).
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i alphaByte = _mm_set1_epi32(int(OPAQUE));
    for (; i + 4 <= count; i += 4) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(gathered + i));
        const __m128i background = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inout + i));
        const __m128i sourceLow = _mm_unpacklo_epi8(source, zero);
        const __m128i sourceHigh = _mm_unpackhi_epi8(source, zero);
        // Each pixel's a (its lane 3) into all four of its lanes.
        const __m128i aLow = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sourceLow, 0xFF), 0xFF);
        const __m128i aHigh = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sourceHigh, 0xFF), 0xFF);
        const __m128i low = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(background, zero), _mm_sub_epi16(full, aLow)),
                          _mm_mullo_epi16(sourceLow, aLow)),
            8);
        const __m128i high = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(background, zero), _mm_sub_epi16(full, aHigh)),
                          _mm_mullo_epi16(sourceHigh, aHigh)),
            8);
        const __m128i blended = _mm_packus_epi16(low, high);
        const __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(source, alphaByte), alphaByte);
        const __m128i result = _mm_or_si128(_mm_and_si128(keyed, background), _mm_andnot_si128(keyed, blended));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(inout + i), _mm_or_si128(result, alphaByte));
    }
#endif
    for (; i < count; ++i) inout[i] = BlendGathered(inout[i], gathered[i]);
}

}  // namespace

DrawComposer::DrawComposer(const CDibImage& image, const DrawPlacement& placement)
    : m_place(placement),
      m_imageWidth(image.Width()),
      m_imageHeight(image.Height()),
      m_bitCount(image.BitCount()),
      m_pixels(image.Info().pixels),
      m_stride(image.Info().stride),
      m_alpha(image.AlphaPlane()),
      m_ownSize(placement.width == image.Width() && placement.height == image.Height()),
      m_scaleY(float(double(image.Height()) / double(placement.height))),
      m_visibleWidth(placement.x1 - placement.x0),
      m_inImage(0),
      m_wordReads(0)
{
    const DibImageInfo& info = image.Info();

    // Column table. The columns never decrease, so those past the image form
    // the tail of the row, and so do those too near the end of a row for a
    // four-byte read.
    m_columns.reset(new (std::nothrow) std::int32_t[std::size_t(m_visibleWidth)]);
    m_gathered.reset(new (std::nothrow) std::uint32_t[std::size_t(m_visibleWidth)]);
    if (!m_columns || !m_gathered) return;
    const float scaleX = float(double(m_imageWidth) / double(placement.width));
    for (int i = 0; i < m_visibleWidth; ++i) {
        const std::int64_t offset = std::int64_t(placement.x0) + i - placement.x;
        const std::int64_t column =
            m_ownSize ? offset : std::int64_t(std::floor(double(offset) * double(scaleX)));
        if (column < m_imageWidth) m_inImage = i + 1;
        if (3 * column + 4 <= m_stride) m_wordReads = i + 1;
        m_columns[std::size_t(i)] = std::int32_t(std::min<std::int64_t>(column, m_imageWidth - 1));
    }
    m_wordReads = std::min(m_wordReads, m_inImage);

    for (int a = 0; a < 256; ++a) m_opacityOf[a] = std::uint8_t((info.opacity * a) >> 8);

    // The colour table once, with what blending needs of each entry. The
    // transparent colour is the transparent index's entry, but only for an
    // index inside the table: outside it there is no transparent colour and
    // nothing is keyed.
    const int tableSize = int(image.Header().biClrUsed);
    const int transparent = info.transparentIndex;
    const bool keyIndexed = m_bitCount < 24 && transparent >= 0 && transparent < tableSize;
    const std::uint32_t key = keyIndexed ? Word(image.GetTransparentColour()) : 0;
    const RGBQUAD* table = image.GetPalette();
    for (int e = 0; e < 256; ++e) {
        const std::uint32_t colour = table && e < tableSize ? Word(table[e]) : 0;
        const unsigned factor = info.paletteHasAlpha ? colour >> 24 : 256;
        const unsigned a = (m_opacityOf[255] * factor) >> 8;
        m_words[e] = OPAQUE | (colour & 0xFFFFFFu);
        m_factors[e] = std::uint16_t(factor);
        const bool keyed = keyIndexed && colour == key;
        m_gatherWords[e] = keyed ? KEYED | colour : (a << 24) | (colour & 0xFFFFFFu);
        m_weighted[e] = keyed ? std::uint64_t(256) << 48
                              : std::uint64_t((colour & 0xFF) * a) | (std::uint64_t(((colour >> 8) & 0xFF) * a) << 16) |
                                    (std::uint64_t(((colour >> 16) & 0xFF) * a) << 32) |
                                    (std::uint64_t(255 - a) << 48);
    }
    m_outsideIndex = transparent != -1 ? BYTE(transparent) : 0;

    // A 24-bit pixel's fourth byte is 0, so a key with another fourth byte
    // matches nothing.
    const RGBQUAD keyBgr = info.transparentColour;
    m_keyBgr = m_bitCount == 24 && transparent != -1 && keyBgr.rgbReserved == 0;
    m_keyColour = Word(keyBgr) & 0xFFFFFFu;
}

int DrawComposer::SourceRow(int k) const
{
    std::int64_t row;
    if (m_ownSize) {
        row = std::int64_t(m_imageHeight) - m_place.y1 + m_place.y + k;
    } else {
        const std::int64_t bottomEdge = std::int64_t(m_place.y1) - k - m_place.y;
        row = m_imageHeight - std::int64_t(std::ceil(double(bottomEdge) * double(m_scaleY)));
    }
    return int(std::clamp<std::int64_t>(row, 0, m_imageHeight - 1));
}

template <int Bits>
void DrawComposer::IndexedRun(const BYTE* row, const std::uint32_t* words, std::uint32_t* out) const
{
    const std::int32_t* columns = m_columns.get();
    const int count = m_inImage;
    for (int i = 0; i < count; ++i) out[i] = words[IndexAt<Bits>(row, columns[i])];
}

void DrawComposer::OpaqueBgrRun(const BYTE* row, std::uint32_t* out) const
{
    const std::int32_t* columns = m_columns.get();
    const int wordReads = m_wordReads, count = m_inImage;
    int i = 0;
    for (; i < wordReads; ++i) out[i] = OPAQUE | LoadBgrWide(row + 3 * columns[i]);
    for (; i < count; ++i) out[i] = OPAQUE | LoadBgr(row + 3 * columns[i]);
}

template <int Bits>
void DrawComposer::BlendIndexedRun(const BYTE* row, std::uint32_t* inout) const
{
    const std::int32_t* columns = m_columns.get();
    const int count = m_inImage;
    const std::uint64_t* weighted = m_weighted;
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaByte = _mm_set1_epi32(int(OPAQUE));
    for (; i + 4 <= count; i += 4) {
        const std::uint64_t e0 = weighted[IndexAt<Bits>(row, columns[i])];
        const std::uint64_t e1 = weighted[IndexAt<Bits>(row, columns[i + 1])];
        const std::uint64_t e2 = weighted[IndexAt<Bits>(row, columns[i + 2])];
        const std::uint64_t e3 = weighted[IndexAt<Bits>(row, columns[i + 3])];
        const __m128i low = _mm_set_epi64x(std::int64_t(e1), std::int64_t(e0));
        const __m128i high = _mm_set_epi64x(std::int64_t(e3), std::int64_t(e2));
        const __m128i background = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inout + i));
        // Each pixel's 255 - a (its lane 3) into all four of its lanes.
        const __m128i keepLow = _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, 0xFF), 0xFF);
        const __m128i keepHigh = _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, 0xFF), 0xFF);
        const __m128i resultLow =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(background, zero), keepLow), low), 8);
        const __m128i resultHigh =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(background, zero), keepHigh), high), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(inout + i),
                         _mm_or_si128(_mm_packus_epi16(resultLow, resultHigh), alphaByte));
    }
#endif
    for (; i < count; ++i) {
        const std::uint64_t e = weighted[IndexAt<Bits>(row, columns[i])];
        const std::uint32_t keep = std::uint32_t(e >> 48);
        const std::uint32_t background = inout[i];
        const std::uint32_t blue = ((background & 0xFF) * keep + std::uint32_t(e & 0xFFFF)) >> 8;
        const std::uint32_t green = (((background >> 8) & 0xFF) * keep + std::uint32_t((e >> 16) & 0xFFFF)) >> 8;
        const std::uint32_t red = (((background >> 16) & 0xFF) * keep + std::uint32_t((e >> 32) & 0xFFFF)) >> 8;
        inout[i] = OPAQUE | (red << 16) | (green << 8) | blue;
    }
}

template <int Bits>
void DrawComposer::GatherIndexedWithPlane(const BYTE* row, const BYTE* alphaRow, std::uint32_t* out) const
{
    const std::int32_t* columns = m_columns.get();
    const int count = m_inImage;
    for (int i = 0; i < count; ++i) {
        const std::int32_t column = columns[i];
        const unsigned index = IndexAt<Bits>(row, column);
        const std::uint32_t word = m_gatherWords[index];
        const unsigned a = (m_opacityOf[alphaRow[column]] * unsigned(m_factors[index])) >> 8;
        out[i] = (word & KEYED) == KEYED ? word : (word & 0xFFFFFFu) | (a << 24);
    }
}

void DrawComposer::GatherBgr(const BYTE* row, const BYTE* alphaRow, std::uint32_t* out) const
{
    const std::int32_t* columns = m_columns.get();
    const int wordReads = m_wordReads, count = m_inImage;
    const std::uint32_t fixedAlpha = std::uint32_t(m_opacityOf[255]) << 24;
    const bool keyOn = m_keyBgr;
    const std::uint32_t key = m_keyColour;
    for (int i = 0; i < count; ++i) {
        const std::int32_t column = columns[i];
        const BYTE* at = row + 3 * column;
        const std::uint32_t colour = i < wordReads ? LoadBgrWide(at) : LoadBgr(at);
        const std::uint32_t a = alphaRow ? std::uint32_t(m_opacityOf[alphaRow[column]]) << 24 : fixedAlpha;
        out[i] = colour | (keyOn && colour == key ? KEYED : a);
    }
}

void DrawComposer::ComposeBeyondImage(int row, std::uint32_t* out, bool gather) const
{
    const BYTE* pixels = StorageRow(row);
    const int lastColumn = m_imageWidth - 1;
    const unsigned planeAlpha = m_alpha ? m_alpha[std::int64_t(row) * m_imageWidth + lastColumn] : 255;
    std::uint32_t word;
    if (m_bitCount == 24) {
        const std::uint32_t colour = LoadBgr(pixels + 3 * lastColumn);
        const bool keyed = m_keyBgr && colour == m_keyColour;
        word = gather ? colour | (keyed ? KEYED : std::uint32_t(m_opacityOf[planeAlpha]) << 24) : OPAQUE | colour;
    } else {
        const BYTE index = m_outsideIndex;
        const unsigned a = (m_opacityOf[planeAlpha] * unsigned(m_factors[index])) >> 8;
        const std::uint32_t gathered = m_gatherWords[index];
        if (!gather)
            word = m_words[index];
        else
            word = (gathered & KEYED) == KEYED ? gathered : (gathered & 0xFFFFFFu) | (a << 24);
    }
    std::fill(out + m_inImage, out + m_visibleWidth, word);
}

void DrawComposer::ComposeOpaque(int row, std::uint32_t* out) const
{
    const BYTE* pixels = StorageRow(row);
    switch (m_bitCount) {
    case 8: IndexedRun<8>(pixels, m_words, out); break;
    case 4: IndexedRun<4>(pixels, m_words, out); break;
    case 1: IndexedRun<1>(pixels, m_words, out); break;
    default: OpaqueBgrRun(pixels, out); break;
    }
    if (m_inImage < m_visibleWidth) ComposeBeyondImage(row, out, false);
}

void DrawComposer::StreamOpaque(int row, bool again, std::uint32_t* out)
{
    std::uint32_t* line = m_gathered.get();
    if (!again) ComposeOpaque(row, line);
    CopyWords(out, line, m_visibleWidth, true);
}

void DrawComposer::ComposeBlended(int row, std::uint32_t* inout)
{
    const BYTE* pixels = StorageRow(row);
    const BYTE* alphaRow = m_alpha ? m_alpha + std::int64_t(row) * m_imageWidth : nullptr;
    std::uint32_t* gathered = m_gathered.get();
    if (!alphaRow && m_inImage == m_visibleWidth) {
        switch (m_bitCount) {
        case 8: BlendIndexedRun<8>(pixels, inout); return;
        case 4: BlendIndexedRun<4>(pixels, inout); return;
        case 1: BlendIndexedRun<1>(pixels, inout); return;
        default: break;
        }
    }
    switch (m_bitCount * 2 + (alphaRow ? 1 : 0)) {
    case 16: IndexedRun<8>(pixels, m_gatherWords, gathered); break;
    case 17: GatherIndexedWithPlane<8>(pixels, alphaRow, gathered); break;
    case 8: IndexedRun<4>(pixels, m_gatherWords, gathered); break;
    case 9: GatherIndexedWithPlane<4>(pixels, alphaRow, gathered); break;
    case 2: IndexedRun<1>(pixels, m_gatherWords, gathered); break;
    case 3: GatherIndexedWithPlane<1>(pixels, alphaRow, gathered); break;
    default: GatherBgr(pixels, alphaRow, gathered); break;
    }
    if (m_inImage < m_visibleWidth) ComposeBeyondImage(row, gathered, true);
    BlendLine(inout, gathered, m_visibleWidth);
}
