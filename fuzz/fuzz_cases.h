// The two operations the fuzz targets exercise, shared with the regression
// test so that every stored fuzz finding is replayed by the normal suite.
//
// Decode input: byte 0 picks the format code (low 3 bits), byte 1 is the
// frame index (signed, for the icon and TIFF readers), the rest is the file.
//
// Draw input: byte 0 format, byte 1 frame index, then DRAW_PARAM_BYTES bytes
// of drawing parameters (see DrawParams), then the file. Every image that
// decodes is drawn onto a small surface at a size and position taken from
// the parameters, so the renderer runs on real decoder output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/device_context.h"
#include "image/dib_image.h"

namespace kestrel::fuzz {

constexpr std::size_t DECODE_PREFIX_BYTES = 2;
constexpr std::size_t DRAW_PARAM_BYTES = 16;
constexpr std::size_t DRAW_PREFIX_BYTES = DECODE_PREFIX_BYTES + DRAW_PARAM_BYTES;

// The surface stays small: Draw only composes the visible part, so a small
// surface keeps each input fast whatever size the image is drawn at.
constexpr int MAX_SURFACE_SIDE = 96;

inline ImageFormat FormatFromByte(std::uint8_t byte) { return ImageFormat(byte & 7); }

inline const char* FormatName(ImageFormat format)
{
    static const char* const names[] = {"bmp", "gif", "jpeg", "png", "ico", "tiff", "tga", "pcx"};
    return names[int(format) & 7];
}

// A reader must never break the image's own invariants on success; a broken
// one is a fault the sanitizers alone would not see.
inline void CheckDecodedImage(const CDibImage& image)
{
    if (image.IsEmpty()) return;
    const BITMAPINFOHEADER& header = image.Header();
    const DibImageInfo& info = image.Info();
    const int bits = header.biBitCount;
    const bool depthOk = bits == 1 || bits == 4 || bits == 8 || bits == 24;
    const std::int64_t stride = ((std::int64_t(header.biWidth) * bits + 31) >> 5) << 2;
    if (!depthOk || header.biWidth < 0 || header.biHeight < 0 || info.stride != stride ||
        std::int64_t(header.biSizeImage) != stride * header.biHeight ||
        std::memchr(info.lastError, 0, sizeof info.lastError) == nullptr) {
        std::fprintf(stderr, "decoded image breaks its invariants: %dx%d, %d bits, stride %d\n",
                     header.biWidth, header.biHeight, bits, info.stride);
        std::abort();
    }
    // Touch the last byte of the rows and of the alpha plane, so that a
    // reader which left them smaller than the header claims is caught here.
    volatile BYTE sink = 0;
    if (header.biSizeImage) sink = sink + info.pixels[header.biSizeImage - 1];
    const std::size_t alphaBytes = std::size_t(header.biWidth) * std::size_t(header.biHeight);
    if (image.AlphaPlane() && alphaBytes) sink = sink + image.AlphaPlane()[alphaBytes - 1];
    (void)sink;
}

// Decodes file bytes into image through a read-only memory stream.
inline bool DecodeBytes(CDibImage& image, ImageFormat format, const std::uint8_t* file,
                        std::size_t size)
{
    static std::uint8_t empty = 0;
    void* buffer = size ? const_cast<std::uint8_t*>(file) : &empty;
    FILE* stream = fmemopen(buffer, size, "rb");
    if (!stream) return false;
    const bool ok = image.Decode(stream, format);
    std::fclose(stream);
    return ok;
}

inline void RunDecodeCase(const std::uint8_t* data, std::size_t size)
{
    if (size < DECODE_PREFIX_BYTES) return;
    const ImageFormat format = FormatFromByte(data[0]);

    // The target already holds a picture: a failed load must leave it alone.
    CDibImage image(format);
    BYTE* before = image.Create(3, 2, 8, format);
    if (!before) std::abort();
    before[sizeof(BITMAPINFOHEADER)] = 0x5A;
    image.SetFrameIndex(std::int8_t(data[1]));

    const bool ok = DecodeBytes(image, format, data + DECODE_PREFIX_BYTES, size - DECODE_PREFIX_BYTES);
    if (ok) {
        CheckDecodedImage(image);
    } else if (image.Dib() != before || image.Width() != 3 || image.Dib()[sizeof(BITMAPINFOHEADER)] != 0x5A) {
        std::fprintf(stderr, "a failed load changed the target's picture\n");
        std::abort();
    }
}

// Drawing parameters, one byte each unless said otherwise.
struct DrawParams {
    int surfaceWidth;   // 1..MAX_SURFACE_SIDE
    int surfaceHeight;  // 1..MAX_SURFACE_SIDE
    int x, y;           // signed bytes, around the surface
    int width, height;  // signed 16-bit: negative = the image's own size, 0 = nothing
    std::uint8_t flags;
    int originX, originY;  // logical origin (flag 1)
    DeviceRect clip;       // clip rectangle in logical coordinates (flag 2)
    std::uint8_t opacity;  // flag 4
    std::uint8_t transparentIndex;  // flag 8; flag 16 sets paletteHasAlpha
};

inline DrawParams ParseDrawParams(const std::uint8_t* p)
{
    DrawParams d{};
    d.surfaceWidth = 1 + p[0] % MAX_SURFACE_SIDE;
    d.surfaceHeight = 1 + p[1] % MAX_SURFACE_SIDE;
    d.x = std::int8_t(p[2]);
    d.y = std::int8_t(p[3]);
    d.width = std::int16_t(p[4] | (p[5] << 8));
    d.height = std::int16_t(p[6] | (p[7] << 8));
    d.flags = p[8];
    d.originX = std::int8_t(p[9]);
    d.originY = std::int8_t(p[10]);
    d.clip = {std::int8_t(p[11]), std::int8_t(p[12]), std::int8_t(p[11]) + p[13] % 128,
              std::int8_t(p[12]) + p[14] % 128};
    d.opacity = p[15];
    d.transparentIndex = p[13];
    return d;
}

inline void RunDrawCase(const std::uint8_t* data, std::size_t size)
{
    if (size < DRAW_PREFIX_BYTES) return;
    const ImageFormat format = FormatFromByte(data[0]);
    CDibImage image(format);
    image.SetFrameIndex(std::int8_t(data[1]));
    if (!DecodeBytes(image, format, data + DRAW_PREFIX_BYTES, size - DRAW_PREFIX_BYTES)) return;
    CheckDecodedImage(image);

    const DrawParams d = ParseDrawParams(data + DECODE_PREFIX_BYTES);
    if (d.flags & 4) image.SetOpacity(d.opacity);
    if (d.flags & 8) image.SetTransparentIndex(d.transparentIndex);
    if (d.flags & 16) image.SetPaletteHasAlpha(true);

    std::vector<std::uint32_t> surface(std::size_t(d.surfaceWidth) * d.surfaceHeight, 0xFF102030u);
    DeviceContext dc(surface.data(), d.surfaceWidth, d.surfaceHeight, d.surfaceWidth * 4);
    if (d.flags & 1) dc.SetLogicalOrigin(d.originX, d.originY);
    if (d.flags & 2) dc.SetClipRect(d.clip);
    image.Draw(&dc, d.x, d.y, d.width, d.height);
}

}  // namespace kestrel::fuzz
