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

#include <type_traits>

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

    // An empty image made for `format`.
    explicit CDibImage(ImageFormat format);
    // Loads the file at path; failure leaves the image empty with lastError set
    // (still empty when the file cannot be opened).
    CDibImage(const char* path, ImageFormat format);
    // A copy of src (see Copy).
    CDibImage(const CDibImage& src, bool copyPixels, bool copyAlpha);
    // Frees the DIB block and the alpha plane.
    virtual ~CDibImage();

    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Empties the settings and header without freeing: only for an object whose
    // buffers are already freed or handed over.
    void Init(ImageFormat format);
    // Frees the DIB block and the alpha plane; afterwards the image is empty and
    // holds no pointer into them (Info().pixels is null).
    void Destroy();
    // Makes this image a copy of src: its settings, size and colour table, the
    // whole DIB block when copyPixels, the alpha plane when copyAlpha (this
    // object owns the copies). Copying an image onto itself does nothing.
    void Copy(const CDibImage& src, bool copyPixels, bool copyAlpha);
    // Takes over src's header, settings and buffers, freeing this image's own;
    // src is left empty and owns nothing.
    void Transfer(CDibImage& src);

    // Geometry and block access.
    // Replaces the DIB block with a cleared one of this size (depth rounded to
    // 1, 4, 8 or 24) and drops the alpha plane. Returns the block, owned by
    // this image, or null (the image is then empty).
    BYTE* Create(int width, int height, int bitCount, ImageFormat format);
    // Bytes of the colour table: 4 per entry.
    DWORD GetPaletteSize() const;
    // Bytes of the whole DIB block: header copy, colour table and rows.
    DWORD GetDibSize() const;
    // The first byte of row 0 inside the DIB block (owned by this image, valid
    // until the next Create, Copy, Transfer or Destroy), or null when empty.
    const BYTE* GetPixels() const;
    BYTE* GetPixels();
    // Whether (x, y) lies inside the picture.
    bool IsInside(int x, int y) const;

    // Colour table. Index arguments are single bytes.
    // The first colour table entry inside the DIB block (owned and valid as
    // GetPixels), or null for an empty image or one without a table.
    const RGBQUAD* GetPalette() const;
    RGBQUAD* GetPalette();
    // The entry, or all zero for an index past the table.
    RGBQUAD GetPaletteColour(BYTE index) const;
    // Sets all four bytes of one entry; nothing for an index past the table.
    void SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE reserved);
    // Copies count entries (at most the table) from the caller's array.
    void SetPalette(const RGBQUAD* entries, int count);
    // Sets red, green, blue of the first count entries from RGB triples; the
    // reserved bytes stay.
    void SetPaletteFromRgb(const BYTE* rgb, DWORD count);
    // The same from three arrays; a null green means red, a null blue green.
    void SetPaletteFromPlanes(DWORD count, const BYTE* red, const BYTE* green, const BYTE* blue);
    // An even grey ramp over the whole table.
    void SetGreyPalette();
    // The index of the entry closest to colour (the lowest on ties), 0 without
    // a table.
    BYTE GetNearestIndex(RGBQUAD colour) const;
    // The entry of the transparent index of an indexed image when one is set,
    // else the key colour.
    RGBQUAD GetTransparentColour() const;

    // Pixels, in storage order (y = 0 is the bottom row).
    // The pixel's index; outside the picture the transparent index (or 0).
    BYTE GetPixelIndex(int x, int y) const;
    // Each of these changes one pixel and ignores coordinates outside.
    void SetPixelIndex(int x, int y, BYTE index);
    void SetPixelQuad(int x, int y, RGBQUAD colour);
    void SetPixelColour(int x, int y, COLORREF colour);
    // The colour in RGBQUAD order, reserved byte 0.
    static RGBQUAD ColorRefToRgbQuad(COLORREF colour);

    // Resolution, in dots per inch; the header's pels per metre follow.
    void SetXDpi(int dpi);
    void SetYDpi(int dpi);

    // Settings a caller may change. A successful Load replaces them all with
    // the reader's.
    // Palette index drawn as transparent; -1 for none.
    void SetTransparentIndex(int index);
    // Key colour of 24-bit images, used by Draw while a transparent index is set.
    void SetTransparentColour(RGBQUAD colour);
    // Overall opacity applied when Draw blends.
    void SetOpacity(BYTE opacity);
    // Whether the reserved byte of each colour table entry is that colour's alpha.
    void SetPaletteHasAlpha(bool hasAlpha);
    // Which image of a multi-image file the next Load reads (icon entry, TIFF page).
    void SetFrameIndex(int index);
    // Draw draws nothing while off.
    void SetDrawEnabled(bool enabled);

    // Alpha plane.
    // A new plane, cleared to fully transparent, replacing any old one.
    // Returns it, owned by this image, or null (none could be made).
    BYTE* CreateAlpha();
    // Frees the plane.
    void DeleteAlpha();
    // Sets one pixel's alpha; nothing without a plane or outside the picture.
    void SetAlpha(int x, int y, BYTE alpha);

    // Loading (image_loader.cpp).
    // Opens path and decodes it as format; true when the picture was replaced.
    bool Load(const char* path, ImageFormat format);
    // Decodes the open file (which stays the caller's) as format; true when
    // the picture was replaced, false with lastError set and the picture kept.
    bool Decode(FILE* file, ImageFormat format);

    // Drawing (dib_draw.cpp). Puts the picture on dc in the rectangle at x, y
    // of width by height (negative: the image's own size). Returns 0 when
    // nothing was attempted, 1 otherwise. Changes nothing in the image.
    int Draw(HDC dc, int x, int y, int width, int height) const;

    // Row conversions (row_conversions.cpp).
    // Fills the pixel rows (24 bits) from 16- or 32-bit rows at src under the
    // masks; src may be this image's own rows.
    void Convert16or32To24(const BYTE* src, DWORD redMask, DWORD greenMask, DWORD blueMask,
                           int bitCount);
    // Swaps the first and third byte of each 3-byte pixel of the caller's row.
    void SwapRedBlue(BYTE* row, int length);
    // Mirror the pixel rows or the alpha plane left to right; false when there
    // is nothing to mirror or no memory.
    bool MirrorHorizontal();
    bool MirrorAlpha();

    // Read access; the pointers are owned by this image.
    bool IsEmpty() const { return m_pDib == nullptr; }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    const DibImageInfo& Info() const { return m_info; }
    const BYTE* Dib() const { return m_pDib; }
    const BYTE* AlphaPlane() const { return m_pAlpha; }
    // Whether Draw blends the picture over what the surface holds (a
    // transparent index, an alpha plane or a colour table with alpha)
    // rather than covering it.
    bool NeedsBlending() const
    {
        return m_info.transparentIndex != -1 || m_pAlpha != nullptr || m_info.paletteHasAlpha != 0;
    }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    int BitCount() const { return m_header.biBitCount; }
    const char* LastError() const { return m_info.lastError; }

protected:
    // Create for a reader that writes every row itself (or clears the rows
    // it leaves): the header and colour table are cleared, the rows are not,
    // which spares a large picture a pass over its memory.
    BYTE* CreateUncleared(int width, int height, int bitCount, ImageFormat format);
    // Copies at most 255 characters of message into lastError.
    void SetLastError(const char* message);
    // The failure boundary of every reader's Decode, called from its
    // catch (...) block: the exception in flight becomes lastError (the
    // reader's constant message text, or what a failure from below means)
    // and the false that Decode returns.
    bool DecodeFailure();
    // Runs a reader's decoding step behind that boundary: true when the
    // step returns (or returns true), false with lastError set when it
    // throws or returns false.
    template <typename Step>
    bool DecodeGuarded(Step&& step)
    {
        try {
            if constexpr (std::is_void_v<std::invoke_result_t<Step&>>) {
                step();
                return true;
            } else {
                return bool(step());
            }
        } catch (...) {
            return DecodeFailure();
        }
    }

    BYTE* m_pDib;
    BITMAPINFOHEADER m_header;
    DibImageInfo m_info;
    BYTE* m_pAlpha;

private:
    BYTE* Allocate(int width, int height, int bitCount, ImageFormat format, bool clearRows);
    // Runs one reader over file and moves a complete result into this image.
    template <typename Reader>
    bool DecodeWith(FILE* file, ImageFormat format, bool passFrameIndex);
};
