// CDibImage::Draw: puts the picture on a device context at any position and
// size, by one of three paths.
//
//  - Direct: an image without transparency at its own size goes to the
//    device straight from the DIB block; the device clips.
//  - Scaled opaque: resampled by nearest neighbour into an off-screen 24-bit
//    section that covers only the visible part, which then goes to the device.
//  - Blend: an image with a transparent index, an alpha plane or alpha in its
//    colour table is composed over a copy of what the device shows there.
//
// The section is filled band by band (a few dozen rows at a time) and each
// band goes to the device before the next: one section per call, small
// enough to stay in the cache. Positions are widened to 64 bits before any
// sum, so pictures near the int limits cannot overflow into wrong rectangles.
//
// Result: 0 when nothing was attempted (empty image, no device, a width or
// height of 0, drawing disabled), 1 otherwise, also when nothing is visible
// or the section could not be made.
#include <algorithm>
#include <cstring>

#include "image/device_context.h"
#include "image/dib_image.h"
#include "image/draw_composer.h"

namespace {

// About this many bytes of section per band.
constexpr std::int64_t BAND_BYTES = 96 * 1024;

}  // namespace

int CDibImage::Draw(HDC dc, int x, int y, int width, int height)
{
    if (!m_pDib || !dc || width == 0 || height == 0 || !m_info.drawEnabled) return 0;
    if (width < 0) width = m_header.biWidth;
    if (height < 0) height = m_header.biHeight;

    const bool needsBlending =
        m_info.transparentIndex != -1 || m_pAlpha != nullptr || m_info.paletteHasAlpha != 0;
    if (!needsBlending && width == m_header.biWidth && height == m_header.biHeight) {
        dc->SetStretchMode(COLORONCOLOR);
        DibView dib;
        dib.width = m_header.biWidth;
        dib.height = m_header.biHeight;
        dib.bitCount = m_header.biBitCount;
        dib.stride = m_info.stride;
        dib.palette = GetPalette();
        dib.paletteSize = int(m_header.biClrUsed);
        dib.bits = m_info.pixels;
        dc->TransferDib(x, y, dib);
        return 1;
    }

    // The picture's edges, each clamped into the clip box.
    const DeviceRect clip = dc->GetClipBox();
    DrawPlacement place;
    place.x = x;
    place.y = y;
    place.width = width;
    place.height = height;
    place.x0 = int(std::min<std::int64_t>(clip.right, std::max<std::int64_t>(clip.left, x)));
    place.x1 = int(std::max<std::int64_t>(clip.left, std::min<std::int64_t>(clip.right, place.x + width)));
    place.y0 = int(std::min<std::int64_t>(clip.bottom, std::max<std::int64_t>(clip.top, y)));
    place.y1 = int(std::max<std::int64_t>(clip.top, std::min<std::int64_t>(clip.bottom, place.y + height)));
    const int visibleWidth = place.x1 - place.x0;
    const int visibleHeight = place.y1 - place.y0;
    if (visibleWidth <= 0 || visibleHeight <= 0) return 1;
    // A picture of no pixels has nothing to sample.
    if (m_header.biWidth <= 0 || m_header.biHeight <= 0) return 1;

    const std::int64_t bandRows = std::clamp<std::int64_t>(
        BAND_BYTES / OffscreenSection::StrideFor(visibleWidth), 1, visibleHeight);
    OffscreenSection section = dc->CreateSection(visibleWidth, int(bandRows));
    if (!section.Bits()) return 1;
    const DrawComposer composer(*this, place);
    if (!composer.IsReady()) return 1;

    // Section row k shows device line Y1 - 1 - k: bands run from the bottom
    // visible line upwards, and inside a band row 0 is its bottom line.
    const std::size_t rowBytes = std::size_t(visibleWidth) * 3;
    for (int first = 0; first < visibleHeight; first += int(bandRows)) {
        const int rows = std::min(int(bandRows), visibleHeight - first);
        const int bandTop = place.y1 - first - rows;
        if (needsBlending) dc->CopyToSection(place.x0, bandTop, section, rows);
        int previousSource = -1;
        for (int j = 0; j < rows; ++j) {
            const int source = composer.SourceRow(first + j);
            if (needsBlending)
                composer.ComposeBlended(source, section.Row(j));
            else if (source == previousSource)
                std::memcpy(section.Row(j), section.Row(j - 1), rowBytes);
            else
                composer.ComposeOpaque(source, section.Row(j));
            previousSource = source;
        }
        dc->TransferSection(place.x0, bandTop, section, rows);
    }
    return 1;
}
