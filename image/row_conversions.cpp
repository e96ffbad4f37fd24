// Rearranging pixel rows that files store in layouts other than the DIB's:
// 16- and 32-bit pixels widened to 24 bits, red and blue swapped, and the
// picture mirrored left to right together with its alpha plane.
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/dib_image.h"

namespace {

// One colour channel of a 16-bit pixel: the field under mask, moved down to
// bit 0 and then up so that its top bit lands on bit 7 (low bits stay 0).
// A field wider than 8 bits keeps its top 8 bits.
BYTE Channel(unsigned pixel, DWORD mask)
{
    mask &= 0xFFFF;
    if (mask == 0) return 0;
    const unsigned field = (pixel & mask) >> std::countr_zero(mask);
    const int bits = std::popcount(mask);
    return BYTE(bits <= 8 ? field << (8 - bits) : field >> (bits - 8));
}

}  // namespace

// Each mask picks its channel wherever it lies in the 16-bit word, so 5-5-5,
// 5-6-5, 4-4-4 and masks that leave low bits unused all widen correctly.
// Runs backwards over rows and pixels: a 16-bit row is never longer than the
// 24-bit row of the same width, so src may be this image's own pixel buffer.
void CDibImage::Convert16or32To24(const BYTE* src, DWORD redMask, DWORD greenMask,
                                  DWORD blueMask, int bitCount)
{
    if (!m_pDib || !src || m_header.biBitCount != 24) return;
    if (bitCount != 16 && bitCount != 32) return;
    const int width = m_header.biWidth;
    const int height = m_header.biHeight;
    const std::size_t dstStride = std::size_t(m_info.stride);

    if (bitCount == 16) {
        const std::size_t srcStride = (std::size_t(width) + 1) / 2 * 4;
        for (int y = height - 1; y >= 0; --y) {
            const BYTE* srcRow = src + std::size_t(y) * srcStride;
            BYTE* dstRow = m_info.pixels + std::size_t(y) * dstStride;
            for (int x = width - 1; x >= 0; --x) {
                const unsigned v = srcRow[2 * x] | (unsigned(srcRow[2 * x + 1]) << 8);
                dstRow[3 * x] = Channel(v, blueMask);
                dstRow[3 * x + 1] = Channel(v, greenMask);
                dstRow[3 * x + 2] = Channel(v, redMask);
            }
        }
        return;
    }

    const std::size_t srcStride = std::size_t(width) * 4;
    for (int y = height - 1; y >= 0; --y) {
        const BYTE* srcRow = src + std::size_t(y) * srcStride;
        BYTE* dstRow = m_info.pixels + std::size_t(y) * dstStride;
        for (int x = width - 1; x >= 0; --x) {
            dstRow[3 * x] = srcRow[4 * x];
            dstRow[3 * x + 1] = srcRow[4 * x + 1];
            dstRow[3 * x + 2] = srcRow[4 * x + 2];
        }
    }
}

void CDibImage::SwapRedBlue(BYTE* row, int length)
{
    if (!row || !m_pDib || m_header.biClrUsed != 0) return;
    const int limit = length < m_info.stride ? length : m_info.stride;
    for (int k = 0; k + 2 < limit; k += 3) {
        const BYTE blue = row[k];
        row[k] = row[k + 2];
        row[k + 2] = blue;
    }
}

bool CDibImage::MirrorHorizontal()
{
    if (!m_pDib) return false;
    CDibImage* copy = new (std::nothrow) CDibImage(*this, false, true);
    if (!copy) return false;
    // A copy that lost the alpha plane would silently drop it here.
    if (copy->IsEmpty() || (m_pAlpha && !copy->m_pAlpha)) {
        delete copy;
        return false;
    }
    const int width = m_header.biWidth;
    const int height = m_header.biHeight;
    for (int y = 0; y < height; ++y) {
        const BYTE* from = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
        BYTE* to = copy->m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
        switch (m_header.biBitCount) {
        case 8:
            for (int j = 0; j < width; ++j) to[j] = from[width - 1 - j];
            break;
        case 24:
            for (int j = 0; j < width; ++j) std::memcpy(to + 3 * j, from + 3 * (width - 1 - j), 3);
            break;
        default:
            for (int j = 0; j < width; ++j) copy->SetPixelIndex(j, y, GetPixelIndex(width - 1 - j, y));
            break;
        }
    }
    copy->MirrorAlpha();
    Transfer(*copy);
    delete copy;
    return true;
}

bool CDibImage::MirrorAlpha()
{
    if (!m_pAlpha) return false;
    const std::size_t width = std::size_t(m_header.biWidth);
    const std::size_t height = std::size_t(m_header.biHeight);
    const std::size_t bytes = width * height;
    BYTE* mirrored = static_cast<BYTE*>(std::malloc(bytes > 0 ? bytes : 1));
    if (!mirrored) return false;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t j = 0; j < width; ++j)
            mirrored[y * width + j] = m_pAlpha[y * width + (width - 1 - j)];
    std::free(m_pAlpha);
    m_pAlpha = mirrored;
    return true;
}
