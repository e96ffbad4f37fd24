// CDibImage::Draw: puts the picture on a device context at any position and
// size, by one of three paths.
//
//  - Direct: an image without transparency at its own size goes to the
//    device straight from the DIB block; the device clips.
//  - Scaled opaque: resampled by nearest neighbour into the visible part of
//    the device only.
//  - Blend: an image with a transparent index, an alpha plane or alpha in its
//    colour table is composed over what the device shows there.
//
// The device's surface is memory, so the two composing paths work on the
// visible rectangle of the surface in place: the same pixels as composing in
// an off-screen copy of that rectangle and sending it back, without the copy.
// A line whose source row repeats the line below it (an enlarged picture) is
// copied from that line on the opaque path. Large opaque areas are written
// with streaming stores, which skip reading the lines they overwrite. Positions are widened to 64 bits
// before any sum, so pictures near the int limits cannot overflow into wrong
// rectangles.
//
// Result: 0 when nothing was attempted (empty image, no device, a width or
// height of 0, drawing disabled), 1 otherwise, also when nothing is visible
// or the working tables could not be made.
#include <algorithm>
#include <cstring>

#include "image/device_context.h"
#include "image/device_stores.h"
#include "image/dib_image.h"
#include "image/draw_composer.h"

int CDibImage::Draw(HDC dc, int x, int y, int width, int height) const
{
    if (!m_pDib || !dc || width == 0 || height == 0 || !m_info.drawEnabled) return 0;
    if (width < 0) width = m_header.biWidth;
    if (height < 0) height = m_header.biHeight;

    const bool needsBlending = NeedsBlending();
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

    const SurfaceWindow window = dc->OpenWindow(DeviceRect{place.x0, place.y0, place.x1, place.y1});
    if (!window.TopLine()) return 1;
    DrawComposer composer(*this, place);
    if (!composer.IsReady()) return 1;

    // Line k counts from the bottom visible line (device line Y1 - 1 - k),
    // the order in which the rows of a bottom-up DIB run.
    // A large opaque area goes out through streaming stores (see
    // device_stores.h), each line composed once in working memory.
    const std::size_t lineBytes = std::size_t(visibleWidth) * 4;
    const bool stream = !needsBlending && StreamsArea(visibleWidth, visibleHeight);
    int previousSource = -1;
    for (int k = 0; k < visibleHeight; ++k) {
        std::uint32_t* line = window.Line(visibleHeight - 1 - k);
        const int source = composer.SourceRow(k);
        if (needsBlending)
            composer.ComposeBlended(source, line);
        else if (stream)
            composer.StreamOpaque(source, source == previousSource, line);
        else if (source == previousSource)
            std::memcpy(line, window.Line(visibleHeight - k), lineBytes);
        else
            composer.ComposeOpaque(source, line);
        previousSource = source;
    }
    FinishStreaming(stream);
    return 1;
}
