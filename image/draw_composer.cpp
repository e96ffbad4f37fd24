#include "image/draw_composer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

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

void PutBgr(BYTE* at, std::uint32_t colour)
{
    at[0] = BYTE(colour);
    at[1] = BYTE(colour >> 8);
    at[2] = BYTE(colour >> 16);
}

// Blue, green and red of colour over the three bytes at `at`, with weight a.
void BlendBgr(BYTE* at, std::uint32_t colour, unsigned a)
{
    const unsigned keep = 255 - a;
    at[0] = BYTE((at[0] * keep + (colour & 0xFF) * a) >> 8);
    at[1] = BYTE((at[1] * keep + ((colour >> 8) & 0xFF) * a) >> 8);
    at[2] = BYTE((at[2] * keep + ((colour >> 16) & 0xFF) * a) >> 8);
}

std::uint32_t BgrAt(const BYTE* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16);
}

}  // namespace

DrawComposer::DrawComposer(const CDibImage& image, const DrawPlacement& placement)
    : m_image(image),
      m_place(placement),
      m_imageWidth(image.Width()),
      m_imageHeight(image.Height()),
      m_bitCount(image.BitCount()),
      m_alpha(image.AlphaPlane()),
      m_ownSize(placement.width == image.Width() && placement.height == image.Height()),
      m_scaleY(float(double(image.Height()) / double(placement.height))),
      m_visibleWidth(placement.x1 - placement.x0),
      m_inImage(0)
{
    const DibImageInfo& info = image.Info();

    // Column table. The columns never decrease, so those past the image form
    // the tail of the row.
    m_columns.reset(new (std::nothrow) std::int32_t[std::size_t(m_visibleWidth)]);
    if (!m_columns) return;
    const float scaleX = float(double(m_imageWidth) / double(placement.width));
    for (int i = 0; i < m_visibleWidth; ++i) {
        const std::int64_t offset = std::int64_t(placement.x0) + i - placement.x;
        const std::int64_t column =
            m_ownSize ? offset : std::int64_t(std::floor(double(offset) * double(scaleX)));
        if (column < m_imageWidth) m_inImage = i + 1;
        m_columns[std::size_t(i)] = std::int32_t(std::min<std::int64_t>(column, m_imageWidth - 1));
    }

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
        Entry& entry = m_entries[e];
        entry.colour = colour;
        entry.factor = info.paletteHasAlpha ? std::uint16_t(colour >> 24) : 256;
        entry.alpha = std::uint8_t((m_opacityOf[255] * entry.factor) >> 8);
        entry.keyed = keyIndexed && colour == key;
    }
    m_outsideIndex = transparent != -1 ? BYTE(transparent) : 0;

    // A 24-bit pixel's fourth byte is 0, so a key with another fourth byte
    // matches nothing.
    const RGBQUAD keyBgr = info.transparentColour;
    m_keyBgr = m_bitCount == 24 && transparent != -1 && keyBgr.rgbReserved == 0;
    m_keyColour = Word(keyBgr) & 0xFFFFFF;
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
void DrawComposer::OpaqueIndexedRun(const BYTE* row, BYTE* out) const
{
    const std::int32_t* columns = m_columns.get();
    const int last = m_inImage - 1;
    // Four-byte stores run one byte into the next pixel, which the next store
    // overwrites; the last pixel is written byte by byte.
    for (int i = 0; i < last; ++i) {
        const std::uint32_t colour = m_entries[IndexAt<Bits>(row, columns[i])].colour;
        std::memcpy(out + 3 * i, &colour, 4);
    }
    if (last >= 0) PutBgr(out + 3 * last, m_entries[IndexAt<Bits>(row, columns[last])].colour);
}

void DrawComposer::OpaqueBgrRun(const BYTE* row, BYTE* out) const
{
    const std::int32_t* columns = m_columns.get();
    for (int i = 0; i < m_inImage; ++i) std::memcpy(out + 3 * i, row + 3 * columns[i], 3);
}

template <int Bits, bool HasPlane>
void DrawComposer::BlendIndexedRun(const BYTE* row, const BYTE* alphaRow, BYTE* inout) const
{
    const std::int32_t* columns = m_columns.get();
    for (int i = 0; i < m_inImage; ++i) {
        const std::int32_t column = columns[i];
        const Entry& entry = m_entries[IndexAt<Bits>(row, column)];
        if (entry.keyed) continue;
        unsigned a;
        if constexpr (HasPlane)
            a = (m_opacityOf[alphaRow[column]] * unsigned(entry.factor)) >> 8;
        else
            a = entry.alpha;
        BlendBgr(inout + 3 * i, entry.colour, a);
    }
}

template <bool HasPlane>
void DrawComposer::BlendBgrRun(const BYTE* row, const BYTE* alphaRow, BYTE* inout) const
{
    const std::int32_t* columns = m_columns.get();
    const unsigned fixedAlpha = m_opacityOf[255];
    for (int i = 0; i < m_inImage; ++i) {
        const std::int32_t column = columns[i];
        const std::uint32_t colour = BgrAt(row + 3 * column);
        if (m_keyBgr && colour == m_keyColour) continue;
        const unsigned a = HasPlane ? m_opacityOf[alphaRow[column]] : fixedAlpha;
        BlendBgr(inout + 3 * i, colour, a);
    }
}

void DrawComposer::ComposeBeyondImage(int row, BYTE* out, bool blend) const
{
    const BYTE* pixels = m_image.Info().pixels + std::int64_t(row) * m_image.Info().stride;
    const int lastColumn = m_imageWidth - 1;
    const unsigned planeAlpha = m_alpha ? m_alpha[std::int64_t(row) * m_imageWidth + lastColumn] : 255;
    for (int i = m_inImage; i < m_visibleWidth; ++i) {
        BYTE* at = out + 3 * i;
        std::uint32_t colour;
        unsigned a = m_opacityOf[planeAlpha];
        bool keyed;
        if (m_bitCount == 24) {
            colour = BgrAt(pixels + 3 * lastColumn);
            keyed = m_keyBgr && colour == m_keyColour;
        } else {
            const Entry& entry = m_entries[m_outsideIndex];
            colour = entry.colour;
            a = (a * entry.factor) >> 8;
            keyed = entry.keyed;
        }
        if (!blend)
            PutBgr(at, colour);
        else if (!keyed)
            BlendBgr(at, colour, a);
    }
}

void DrawComposer::ComposeOpaque(int row, BYTE* out) const
{
    const BYTE* pixels = m_image.Info().pixels + std::int64_t(row) * m_image.Info().stride;
    switch (m_bitCount) {
    case 8: OpaqueIndexedRun<8>(pixels, out); break;
    case 4: OpaqueIndexedRun<4>(pixels, out); break;
    case 1: OpaqueIndexedRun<1>(pixels, out); break;
    default: OpaqueBgrRun(pixels, out); break;
    }
    if (m_inImage < m_visibleWidth) ComposeBeyondImage(row, out, false);
}

void DrawComposer::ComposeBlended(int row, BYTE* inout) const
{
    const BYTE* pixels = m_image.Info().pixels + std::int64_t(row) * m_image.Info().stride;
    const BYTE* alphaRow = m_alpha ? m_alpha + std::int64_t(row) * m_imageWidth : nullptr;
    switch (m_bitCount * 2 + (alphaRow ? 1 : 0)) {
    case 16: BlendIndexedRun<8, false>(pixels, alphaRow, inout); break;
    case 17: BlendIndexedRun<8, true>(pixels, alphaRow, inout); break;
    case 8: BlendIndexedRun<4, false>(pixels, alphaRow, inout); break;
    case 9: BlendIndexedRun<4, true>(pixels, alphaRow, inout); break;
    case 2: BlendIndexedRun<1, false>(pixels, alphaRow, inout); break;
    case 3: BlendIndexedRun<1, true>(pixels, alphaRow, inout); break;
    case 48: BlendBgrRun<false>(pixels, alphaRow, inout); break;
    default: BlendBgrRun<true>(pixels, alphaRow, inout); break;
    }
    if (m_inImage < m_visibleWidth) ComposeBeyondImage(row, inout, true);
}
