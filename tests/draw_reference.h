// A plain, pixel-by-pixel drawing of a CDibImage onto a surface, written
// straight from the drawing rules with no tables and no shortcuts, so the
// tests can compare whole surfaces drawn by CDibImage::Draw against it.
//
// The surface is a vector of 0xAARRGGBB words with a row pitch of its own;
// the clip box is the clip rectangle cut to the surface, in logical units.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/device_context.h"
#include "image/dib_image.h"

namespace kestrel::test {

struct TestSurface {
    int width = 0;
    int height = 0;
    int pitch = 0;  // in pixels, at least width
    std::vector<std::uint32_t> pixels;
    int originX = 0;
    int originY = 0;
    std::optional<DeviceRect> clip;  // logical; none = whole surface

    TestSurface(int w, int h, int extraPitch = 0, std::uint32_t fill = 0xFF000000u)
        : width(w), height(h), pitch(w + extraPitch), pixels(std::size_t(h) * std::size_t(w + extraPitch), fill)
    {
    }

    DeviceContext MakeContext()
    {
        DeviceContext dc(pixels.data(), width, height, pitch * 4);
        dc.SetLogicalOrigin(originX, originY);
        if (clip) dc.SetClipRect(*clip);
        return dc;
    }

    std::uint32_t& At(int x, int y) { return pixels[std::size_t(y) * std::size_t(pitch) + std::size_t(x)]; }
    // The pixel at logical (x, y); the caller makes sure it lies on the surface.
    std::uint32_t& AtLogical(std::int64_t x, std::int64_t y) { return At(int(x - originX), int(y - originY)); }
};

struct ReferenceClip {
    std::int64_t left, top, right, bottom;
};

inline ReferenceClip ClipOf(const TestSurface& s)
{
    ReferenceClip c{s.originX, s.originY, std::int64_t(s.originX) + s.width, std::int64_t(s.originY) + s.height};
    if (s.clip) {
        c.left = std::max<std::int64_t>(c.left, s.clip->left);
        c.top = std::max<std::int64_t>(c.top, s.clip->top);
        c.right = std::min<std::int64_t>(c.right, s.clip->right);
        c.bottom = std::min<std::int64_t>(c.bottom, s.clip->bottom);
    }
    if (c.right <= c.left || c.bottom <= c.top) c = ReferenceClip{s.originX, s.originY, s.originX, s.originY};
    return c;
}

inline std::uint32_t Opaque(unsigned blue, unsigned green, unsigned red)
{
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

inline bool SameQuad(RGBQUAD a, RGBQUAD b)
{
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
           a.rgbReserved == b.rgbReserved;
}

// The source colour of image pixel (column, row), four bytes. Columns past
// the image: an indexed image answers through GetPixelIndex (the transparent
// index outside the picture), a 24-bit image repeats its last column.
inline RGBQUAD ReferenceColour(const CDibImage& image, std::int64_t column, int row)
{
    if (image.BitCount() < 24)
        return image.GetPaletteColour(image.GetPixelIndex(int(std::min<std::int64_t>(column, INT_MAX)), row));
    const std::int64_t c = std::min<std::int64_t>(column, image.Width() - 1);
    const BYTE* p = image.Info().pixels + std::int64_t(row) * image.Info().stride + 3 * c;
    return RGBQUAD{p[0], p[1], p[2], 0};
}

inline int ReferenceDraw(const CDibImage& image, TestSurface& s, int x, int y, int width, int height)
{
    const DibImageInfo& info = image.Info();
    if (image.IsEmpty() || width == 0 || height == 0 || info.drawEnabled == 0) return 0;
    const int iw = image.Width(), ih = image.Height();
    if (width < 0) width = iw;
    if (height < 0) height = ih;
    const ReferenceClip clip = ClipOf(s);
    const bool blend = info.transparentIndex != -1 || image.AlphaPlane() || info.paletteHasAlpha;

    if (!blend && width == iw && height == ih) {
        for (int row = 0; row < ih; ++row) {
            for (int column = 0; column < iw; ++column) {
                const std::int64_t dx = std::int64_t(x) + column;
                const std::int64_t dy = std::int64_t(y) + ih - 1 - row;
                if (dx < clip.left || dx >= clip.right || dy < clip.top || dy >= clip.bottom) continue;
                const RGBQUAD c = ReferenceColour(image, column, row);
                s.AtLogical(dx, dy) = Opaque(c.rgbBlue, c.rgbGreen, c.rgbRed);
            }
        }
        return 1;
    }

    const std::int64_t X0 = std::min(clip.right, std::max(clip.left, std::int64_t(x)));
    const std::int64_t X1 = std::max(clip.left, std::min(clip.right, std::int64_t(x) + width));
    const std::int64_t Y0 = std::min(clip.bottom, std::max(clip.top, std::int64_t(y)));
    const std::int64_t Y1 = std::max(clip.top, std::min(clip.bottom, std::int64_t(y) + height));
    if (X1 <= X0 || Y1 <= Y0 || iw <= 0 || ih <= 0) return 1;

    const bool ownSize = width == iw && height == ih;
    const float scaleX = float(double(iw) / double(width));
    const float scaleY = float(double(ih) / double(height));
    const bool keyed = info.transparentIndex != -1 &&
                       (image.BitCount() == 24 ||
                        (info.transparentIndex >= 0 && info.transparentIndex < int(image.Header().biClrUsed)));
    const RGBQUAD key = image.GetTransparentColour();

    for (std::int64_t k = 0; k < Y1 - Y0; ++k) {
        std::int64_t row;
        if (ownSize) {
            row = ih - Y1 + y + k;
        } else {
            row = ih - std::int64_t(std::ceil(double(Y1 - k - y) * double(scaleY)));
            if (row < 0) row = 0;
        }
        for (std::int64_t i = 0; i < X1 - X0; ++i) {
            const std::int64_t column =
                ownSize ? X0 + i - x : std::int64_t(std::floor(double(X0 + i - x) * double(scaleX)));
            const RGBQUAD c = ReferenceColour(image, column, int(row));
            std::uint32_t& out = s.AtLogical(X0 + i, Y1 - 1 - k);
            if (!blend) {
                out = Opaque(c.rgbBlue, c.rgbGreen, c.rgbRed);
                continue;
            }
            unsigned a = 255;
            if (image.AlphaPlane())
                a = image.AlphaPlane()[row * iw + std::min<std::int64_t>(column, iw - 1)];
            a = (info.opacity * a) >> 8;
            if (image.BitCount() < 24 && info.paletteHasAlpha) a = (a * c.rgbReserved) >> 8;
            if (keyed && SameQuad(c, key)) {
                out = 0xFF000000u | out;  // the background, now opaque
                continue;
            }
            const unsigned b = out & 0xFF, g = (out >> 8) & 0xFF, r = (out >> 16) & 0xFF;
            out = Opaque((b * (255 - a) + c.rgbBlue * a) >> 8, (g * (255 - a) + c.rgbGreen * a) >> 8,
                         (r * (255 - a) + c.rgbRed * a) >> 8);
        }
    }
    return 1;
}

}  // namespace kestrel::test
