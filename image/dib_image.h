// CDibImage: the one in-memory picture of Kestrel.
//
// The picture is a packed device-independent bitmap in one heap block: a copy
// of the 40-byte BITMAPINFOHEADER, a colour table of RGBQUAD entries (2, 16 or
// 256 for 1, 4 and 8 bits, none for 24 bits) and bottom-up pixel rows padded
// to 4 bytes. Beside it sit an optional alpha plane (width x height bytes, no
// padding) and a settings record (DibImageInfo).
//
// Coordinates count x from the left and y from the first stored row, which is
// the bottom row of the picture as seen.
//
// Every reader (formats/) is a subclass that fills its own object; the loader
// moves a complete result into the caller's object with Transfer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "image/image_format.h"
#include "image/win_types.h"

// The fuzz build lowers the cap (fuzz/CMakeLists.txt) so that inputs which
// declare huge pictures stay cheap; everything else keeps 1 GiB.
#ifndef KESTREL_MAX_DIB_BYTES
#define KESTREL_MAX_DIB_BYTES (std::uint64_t(1) << 30)
#endif

class DeviceContext;
using HDC = DeviceContext*;

struct DibImageInfo {
    std::int32_t stride;          // bytes per pixel row
    BYTE* pixels;                 // first byte of row 0, inside the DIB block
    ImageFormat format;           // the code the object was made for
    std::uint8_t pixelType;       // 1 indexed, 2 true colour, 4 true colour with alpha
    char lastError[256];          // NUL-terminated text of the last failure
    std::int32_t transparentIndex;  // palette index drawn as transparent, -1 none
    RGBQUAD transparentColour;    // key colour of 24-bit images
    std::int32_t frameIndex;      // which image of a multi-image file to read
    std::int32_t frameCount;      // images found in the file
    std::int32_t frameDelay;      // GIF graphic control delay, as read
    std::int32_t xDpi;
    std::int32_t yDpi;
    std::uint8_t opacity;         // overall opacity applied when blending
    std::uint8_t paletteHasAlpha; // reserved byte of each table entry is its alpha
    std::uint8_t drawEnabled;     // Draw draws nothing while 0
};

class CDibImage {
public:
    // Largest DIB block Create will allocate. Larger requests fail cleanly, so
    // a small damaged header cannot take the machine's memory.
    static constexpr std::uint64_t MAX_DIB_BYTES = KESTREL_MAX_DIB_BYTES;

    // What a load says when something below a reader fails.
    static constexpr const char* OUT_OF_MEMORY_TEXT = "Not enough memory to read this image";
    static constexpr const char* UNEXPECTED_FAILURE_TEXT = "Unexpected failure while reading this image";

    explicit CDibImage(ImageFormat format);
    CDibImage(const char* path, ImageFormat format);
    CDibImage(const CDibImage& src, bool copyPixels, bool copyAlpha);
    virtual ~CDibImage();

    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    void Init(ImageFormat format);
    void Destroy();
    void Copy(const CDibImage& src, bool copyPixels, bool copyAlpha);
    void Transfer(CDibImage& src);

    // Geometry and block access.
    BYTE* Create(int width, int height, int bitCount, ImageFormat format);
    DWORD GetPaletteSize() const;
    DWORD GetDibSize() const;
    BYTE* GetPixels() const;
    bool IsInside(int x, int y) const;

    // Colour table. Index arguments are single bytes.
    RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColour(BYTE index) const;
    void SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE reserved);
    void SetPalette(const RGBQUAD* entries, int count);
    void SetPaletteFromRgb(const BYTE* rgb, DWORD count);
    void SetPaletteFromPlanes(DWORD count, const BYTE* red, const BYTE* green, const BYTE* blue);
    void SetGreyPalette();
    BYTE GetNearestIndex(RGBQUAD colour) const;
    RGBQUAD GetTransparentColour() const;

    // Pixels, in storage order (y = 0 is the bottom row).
    BYTE GetPixelIndex(int x, int y) const;
    void SetPixelIndex(int x, int y, BYTE index);
    void SetPixelQuad(int x, int y, RGBQUAD colour);
    void SetPixelColour(int x, int y, COLORREF colour);
    static RGBQUAD ColorRefToRgbQuad(COLORREF colour);

    // Resolution.
    void SetXDpi(int dpi);
    void SetYDpi(int dpi);

    // Alpha plane.
    BYTE* CreateAlpha();
    void DeleteAlpha();
    void SetAlpha(int x, int y, BYTE alpha);

    // Loading (image_loader.cpp).
    bool Load(const char* path, ImageFormat format);
    bool Decode(FILE* file, ImageFormat format);

    // Drawing (dib_draw.cpp).
    int Draw(HDC dc, int x, int y, int width, int height);

    // Row conversions (row_conversions.cpp).
    void Convert16or32To24(const BYTE* src, DWORD redMask, DWORD greenMask, DWORD blueMask,
                           int bitCount);
    void SwapRedBlue(BYTE* row, int length);
    bool MirrorHorizontal();
    bool MirrorAlpha();

    // Read access for callers outside the image library.
    bool IsEmpty() const { return m_pDib == nullptr; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    const DibImageInfo& Info() const { return m_info; }
    DibImageInfo& Info() { return m_info; }
    const BYTE* Dib() const { return m_pDib; }
    const BYTE* AlphaPlane() const { return m_pAlpha; }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    int BitCount() const { return m_header.biBitCount; }
    const char* LastError() const { return m_info.lastError; }

protected:
    // Copies at most 255 characters of message into lastError.
    void SetLastError(const char* message);
    // The failure boundary of every reader's Decode, called from its
    // catch (...) block: the exception in flight becomes lastError (the
    // reader's constant message text, or what a failure from below means)
    // and the false that Decode returns.
    bool DecodeFailure();

    BYTE* m_pDib;
    BITMAPINFOHEADER m_header;
    DibImageInfo m_info;
    BYTE* m_pAlpha;
};
