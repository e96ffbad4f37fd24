#include "image/dib_image.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

int RoundedDepth(int bitCount)
{
    if (bitCount <= 1) return 1;
    if (bitCount <= 4) return 4;
    if (bitCount <= 8) return 8;
    return 24;
}

DWORD ColourCountForDepth(int depth)
{
    switch (depth) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

}  // namespace

CDibImage::CDibImage(ImageFormat format) { Init(format); }

CDibImage::CDibImage(const char* path, ImageFormat format)
{
    Init(format);
    Load(path, format);
}

CDibImage::CDibImage(const CDibImage& src, bool copyPixels, bool copyAlpha)
{
    Init(src.m_info.format);
    Copy(src, copyPixels, copyAlpha);
}

CDibImage::~CDibImage() { Destroy(); }

void CDibImage::Init(ImageFormat format)
{
    m_pDib = nullptr;
    m_pAlpha = nullptr;
    std::memset(&m_header, 0, sizeof m_header);
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    std::memset(&m_info, 0, sizeof m_info);
    m_info.format = format;
    m_info.opacity = 255;
    m_info.transparentIndex = -1;
    m_info.drawEnabled = 1;
    SetXDpi(72);
    SetYDpi(72);
}

// Transfer hands both buffers over and nulls both pointers, so freeing what is
// left here is always safe.
void CDibImage::Destroy()
{
    std::free(m_pAlpha);
    std::free(m_pDib);
    m_pAlpha = nullptr;
    m_pDib = nullptr;
    m_info.pixels = nullptr;
}

void CDibImage::Copy(const CDibImage& src, bool copyPixels, bool copyAlpha)
{
    // Create would free the very block to be copied.
    if (&src == this) return;
    m_info = src.m_info;
    Create(src.m_header.biWidth, src.m_header.biHeight, src.m_header.biBitCount,
           src.m_info.format);
    if (copyPixels && m_pDib && src.m_pDib) {
        std::memcpy(m_pDib, src.m_pDib, GetDibSize());
        m_info.pixels = GetPixels();
    } else {
        SetPalette(src.GetPalette(), 256);
    }
    if (copyAlpha && src.m_pAlpha && m_pDib) {
        DeleteAlpha();
        const std::size_t n = std::size_t(m_header.biWidth) * std::size_t(m_header.biHeight);
        m_pAlpha = static_cast<BYTE*>(std::malloc(n ? n : 1));
        if (m_pAlpha) std::memcpy(m_pAlpha, src.m_pAlpha, n);
        if (m_header.biBitCount == 24) m_info.pixelType = m_pAlpha ? 4 : 2;
    }
}

void CDibImage::Transfer(CDibImage& src)
{
    if (&src == this) return;
    std::free(m_pAlpha);
    std::free(m_pDib);
    m_header = src.m_header;
    m_info = src.m_info;
    m_pDib = src.m_pDib;
    m_pAlpha = src.m_pAlpha;
    std::memset(&src.m_header, 0, sizeof src.m_header);
    std::memset(&src.m_info, 0, sizeof src.m_info);
    src.m_pDib = nullptr;
    src.m_pAlpha = nullptr;
}

// Sizes are worked out in 64 bits: a negative size, rows that do not fit the
// header's 32-bit size field, or a block above MAX_DIB_BYTES fail with null and
// leave the image empty. The rows are cleared, so rows a damaged file never
// fills show index 0 rather than leftover heap memory.
BYTE* CDibImage::Create(int width, int height, int bitCount, ImageFormat format)
{
    return Allocate(width, height, bitCount, format, true);
}

BYTE* CDibImage::CreateUncleared(int width, int height, int bitCount, ImageFormat format)
{
    return Allocate(width, height, bitCount, format, false);
}

BYTE* CDibImage::Allocate(int width, int height, int bitCount, ImageFormat format, bool clearRows)
{
    std::free(m_pDib);
    m_pDib = nullptr;
    DeleteAlpha();
    m_info.pixels = nullptr;

    const int depth = RoundedDepth(bitCount);
    m_header.biClrUsed = ColourCountForDepth(depth);
    m_header.biWidth = width;
    m_info.pixelType = depth <= 8 ? 1 : 2;
    const std::int64_t stride = width < 0 ? 0 : ((std::int64_t(width) * depth + 31) >> 5) << 2;
    // A stride above INT32_MAX fails below; leaving it out here keeps the
    // product inside 64 bits.
    const std::int64_t imageBytes = height < 0 || stride > INT32_MAX ? 0 : stride * height;
    m_info.stride = stride <= INT32_MAX ? std::int32_t(stride) : 0;
    m_header.biBitCount = WORD(depth);
    m_info.format = format;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = imageBytes <= UINT32_MAX ? DWORD(imageBytes) : 0;
    m_header.biClrImportant = 0;

    if (width < 0 || height < 0 || stride > INT32_MAX || imageBytes > UINT32_MAX) return nullptr;
    const std::uint64_t blockBytes = std::uint64_t(m_header.biSize) + GetPaletteSize() + imageBytes;
    if (m_header.biSize != sizeof(BITMAPINFOHEADER) || blockBytes > MAX_DIB_BYTES) return nullptr;

    const std::size_t tableEnd = std::size_t(m_header.biSize) + GetPaletteSize();
    m_pDib = static_cast<BYTE*>(clearRows ? std::calloc(1, blockBytes) : std::malloc(blockBytes));
    if (!m_pDib) return nullptr;
    if (!clearRows) std::memset(m_pDib, 0, tableEnd);
    std::memcpy(m_pDib, &m_header, sizeof m_header);
    m_info.pixels = GetPixels();
    return m_pDib;
}

DWORD CDibImage::GetPaletteSize() const { return m_header.biClrUsed * sizeof(RGBQUAD); }

DWORD CDibImage::GetDibSize() const
{
    return m_header.biSize + GetPaletteSize() + m_header.biSizeImage;
}

const BYTE* CDibImage::GetPixels() const
{
    if (!m_pDib) return nullptr;
    DWORD storedSize;
    std::memcpy(&storedSize, m_pDib, sizeof storedSize);
    return m_pDib + storedSize + GetPaletteSize();
}

BYTE* CDibImage::GetPixels() { return const_cast<BYTE*>(std::as_const(*this).GetPixels()); }

bool CDibImage::IsInside(int x, int y) const
{
    return x >= 0 && y >= 0 && x < m_header.biWidth && y < m_header.biHeight;
}

const RGBQUAD* CDibImage::GetPalette() const
{
    if (!m_pDib || m_header.biClrUsed == 0) return nullptr;
    return reinterpret_cast<const RGBQUAD*>(m_pDib + sizeof(BITMAPINFOHEADER));
}

RGBQUAD* CDibImage::GetPalette() { return const_cast<RGBQUAD*>(std::as_const(*this).GetPalette()); }

RGBQUAD CDibImage::GetPaletteColour(BYTE index) const
{
    const RGBQUAD* palette = GetPalette();
    if (!palette || index >= m_header.biClrUsed) return RGBQUAD{0, 0, 0, 0};
    return palette[index];
}

void CDibImage::SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE reserved)
{
    RGBQUAD* palette = GetPalette();
    if (!palette || index >= m_header.biClrUsed) return;
    palette[index] = RGBQUAD{blue, green, red, reserved};
}

void CDibImage::SetPalette(const RGBQUAD* entries, int count)
{
    RGBQUAD* palette = GetPalette();
    if (!entries || !palette || count <= 0) return;
    const std::uint64_t bytes = std::uint64_t(count) * sizeof(RGBQUAD);
    std::memcpy(palette, entries, bytes < GetPaletteSize() ? bytes : GetPaletteSize());
}

void CDibImage::SetPaletteFromRgb(const BYTE* rgb, DWORD count)
{
    RGBQUAD* palette = GetPalette();
    if (!rgb || !palette) return;
    const DWORD n = count < m_header.biClrUsed ? count : m_header.biClrUsed;
    for (DWORD i = 0; i < n; ++i) {
        palette[i].rgbRed = rgb[3 * i];
        palette[i].rgbGreen = rgb[3 * i + 1];
        palette[i].rgbBlue = rgb[3 * i + 2];
    }
}

void CDibImage::SetPaletteFromPlanes(DWORD count, const BYTE* red, const BYTE* green,
                                     const BYTE* blue)
{
    RGBQUAD* palette = GetPalette();
    if (!red || !palette) return;
    if (!green) green = red;
    if (!blue) blue = green;
    const DWORD n = count < m_header.biClrUsed ? count : m_header.biClrUsed;
    for (DWORD i = 0; i < n; ++i) {
        palette[i].rgbRed = red[i];
        palette[i].rgbGreen = green[i];
        palette[i].rgbBlue = blue[i];
    }
}

void CDibImage::SetGreyPalette()
{
    RGBQUAD* palette = GetPalette();
    if (!palette || m_header.biClrUsed < 2) return;
    const DWORD step = 255 / (m_header.biClrUsed - 1);
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
        const BYTE grey = BYTE(step * i);
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = grey;
    }
}

BYTE CDibImage::GetNearestIndex(RGBQUAD colour) const
{
    const RGBQUAD* palette = GetPalette();
    if (!palette) return 0;
    long best = 200000;
    BYTE answer = 0;
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
        const long dr = long(palette[i].rgbRed) - colour.rgbRed;
        const long dg = long(palette[i].rgbGreen) - colour.rgbGreen;
        const long db = long(palette[i].rgbBlue) - colour.rgbBlue;
        const long d = dr * dr + dg * dg + db * db;
        if (d == 0) return BYTE(i);
        if (d < best) {
            best = d;
            answer = BYTE(i);
        }
    }
    return answer;
}

RGBQUAD CDibImage::GetTransparentColour() const
{
    if (m_header.biBitCount < 24 && m_info.transparentIndex != -1)
        return GetPaletteColour(BYTE(m_info.transparentIndex));
    return m_info.transparentColour;
}

BYTE CDibImage::GetPixelIndex(int x, int y) const
{
    if (!m_pDib) return 0;
    if (!IsInside(x, y)) return m_info.transparentIndex != -1 ? BYTE(m_info.transparentIndex) : 0;
    const BYTE* row = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
    switch (m_header.biBitCount) {
    case 8: return row[x];
    case 4: return BYTE((row[x >> 1] >> (4 - 4 * (x & 1))) & 15);
    case 1: return BYTE((row[x >> 3] >> (7 - (x & 7))) & 1);
    default: return 0;
    }
}

void CDibImage::SetPixelIndex(int x, int y, BYTE index)
{
    if (!m_pDib || !IsInside(x, y)) return;
    BYTE* row = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride);
    switch (m_header.biBitCount) {
    case 8:
        row[x] = index;
        break;
    case 4: {
        const int shift = 4 - 4 * (x & 1);
        row[x >> 1] = BYTE((row[x >> 1] & ~(15 << shift)) | ((index & 15) << shift));
        break;
    }
    case 1: {
        const int shift = 7 - (x & 7);
        row[x >> 3] = BYTE((row[x >> 3] & ~(1 << shift)) | ((index & 1) << shift));
        break;
    }
    default:
        break;
    }
}

void CDibImage::SetPixelQuad(int x, int y, RGBQUAD colour)
{
    if (!m_pDib || !IsInside(x, y)) return;
    if (m_header.biClrUsed != 0) {
        SetPixelIndex(x, y, GetNearestIndex(colour));
        return;
    }
    BYTE* pixel = m_info.pixels + std::size_t(y) * std::size_t(m_info.stride) + 3 * std::size_t(x);
    pixel[0] = colour.rgbBlue;
    pixel[1] = colour.rgbGreen;
    pixel[2] = colour.rgbRed;
}

void CDibImage::SetPixelColour(int x, int y, COLORREF colour)
{
    SetPixelQuad(x, y, ColorRefToRgbQuad(colour));
}

RGBQUAD CDibImage::ColorRefToRgbQuad(COLORREF colour)
{
    return RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
}

// Pixels per metre for the header. A resolution a damaged file can claim may
// not fit the 32-bit field; it is held at the field's limits rather than
// converted out of range.
static LONG DpiToPelsPerMeter(int dpi)
{
    const double pels = std::floor(dpi * 39.37007874015748 + 0.5);
    return LONG(std::clamp(pels, double(INT32_MIN), double(INT32_MAX)));
}

void CDibImage::SetXDpi(int dpi)
{
    m_info.xDpi = dpi;
    m_header.biXPelsPerMeter = DpiToPelsPerMeter(dpi);
}

void CDibImage::SetYDpi(int dpi)
{
    m_info.yDpi = dpi;
    m_header.biYPelsPerMeter = DpiToPelsPerMeter(dpi);
}

void CDibImage::SetTransparentIndex(int index) { m_info.transparentIndex = index; }
void CDibImage::SetTransparentColour(RGBQUAD colour) { m_info.transparentColour = colour; }
void CDibImage::SetOpacity(BYTE opacity) { m_info.opacity = opacity; }
void CDibImage::SetPaletteHasAlpha(bool hasAlpha) { m_info.paletteHasAlpha = hasAlpha ? 1 : 0; }
void CDibImage::SetFrameIndex(int index) { m_info.frameIndex = index; }
void CDibImage::SetDrawEnabled(bool enabled) { m_info.drawEnabled = enabled ? 1 : 0; }

BYTE* CDibImage::CreateAlpha()
{
    DeleteAlpha();
    if (!m_pDib) return nullptr;
    // One byte per pixel: for a 1-bit picture at the cap that is eight times
    // the DIB block, so the plane is held to the same cap.
    const std::uint64_t n = std::uint64_t(m_header.biWidth) * std::uint64_t(m_header.biHeight);
    if (n > MAX_DIB_BYTES) return nullptr;
    m_pAlpha = static_cast<BYTE*>(std::calloc(n ? std::size_t(n) : 1, 1));
    if (m_pAlpha && m_header.biBitCount == 24) m_info.pixelType = 4;
    return m_pAlpha;
}

void CDibImage::DeleteAlpha()
{
    std::free(m_pAlpha);
    m_pAlpha = nullptr;
    if (m_header.biBitCount == 24) m_info.pixelType = 2;
}

void CDibImage::SetAlpha(int x, int y, BYTE alpha)
{
    if (!m_pAlpha || !m_pDib || !IsInside(x, y)) return;
    m_pAlpha[std::size_t(y) * std::size_t(m_header.biWidth) + std::size_t(x)] = alpha;
}

void CDibImage::SetLastError(const char* message)
{
    if (!message) message = "";
    std::strncpy(m_info.lastError, message, sizeof m_info.lastError - 1);
    m_info.lastError[sizeof m_info.lastError - 1] = '\0';
}
