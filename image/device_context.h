// DeviceContext: where pixels go. A context draws onto a 32-bit surface that
// someone else owns (a window's back buffer, a test's array), one unit per
// pixel. Pixels are 0xAARRGGBB words, bytes blue, green, red, alpha in memory;
// everything the context writes is opaque (alpha 0xFF).
//
// A logical origin lets a scrolled view draw in its own coordinates: logical
// point (originX, originY) lands on surface pixel (0, 0). The clip box is kept
// in surface coordinates and reported in logical ones.
//
// The operations are the few that drawing an image needs: the clip box, a
// solid fill, the transfer of a bottom-up DIB (1, 4, 8 or 24 bits, indexed
// pixels through its colour table) to a rectangle of its own size, and an
// off-screen 24-bit section that can receive a copy of what the surface shows
// and be transferred back. Every operation clips to the clip box; positions
// are widened to 64 bits, so no coordinate near the int limits can reach
// memory outside the surface.
//
// Since the surface is itself memory, a renderer may also open a rectangle of
// it inside the clip box and compose there in place (OpenWindow): that shows
// the same pixels as composing in a section copied from the surface and
// transferred back, without the two extra passes.
#pragma once

#include <cstdint>

#include "image/dib_view.h"
#include "image/offscreen_section.h"
#include "image/win_types.h"

struct DeviceRect {
    int left;
    int top;
    int right;   // exclusive
    int bottom;  // exclusive
};

// A rectangle of a surface opened for writing in place: `height` lines of
// `width` words, the top line first. Empty (null TopLine) when nothing of the
// rectangle may be drawn on.
class SurfaceWindow {
public:
    SurfaceWindow() = default;
    SurfaceWindow(std::uint32_t* topLine, std::int64_t pitchBytes, int width, int height)
        : m_topLine(topLine), m_pitchBytes(pitchBytes), m_width(width), m_height(height)
    {
    }

    std::uint32_t* TopLine() const { return m_topLine; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Line n from the top, 0 <= n < Height().
    std::uint32_t* Line(int n) const
    {
        return reinterpret_cast<std::uint32_t*>(reinterpret_cast<BYTE*>(m_topLine) + n * m_pitchBytes);
    }

private:
    std::uint32_t* m_topLine = nullptr;
    std::int64_t m_pitchBytes = 0;
    int m_width = 0;
    int m_height = 0;
};

// The stretch modes a context remembers. Nothing in Kestrel stretches through
// the context, so the mode is only kept.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

class DeviceContext {
public:
    // Largest off-screen section a new context makes, in bytes.
    static constexpr std::uint64_t DEFAULT_SECTION_BYTE_LIMIT = std::uint64_t(256) << 20;

    // pixels: the surface's first row; pitchBytes: the distance between rows,
    // at least 4 x width. A null surface or a nonsensical size gives a
    // context that draws nothing.
    DeviceContext(std::uint32_t* pixels, int width, int height, int pitchBytes);

    int SurfaceWidth() const { return m_width; }
    int SurfaceHeight() const { return m_height; }

    void SetLogicalOrigin(int x, int y);
    int LogicalOriginX() const { return m_originX; }
    int LogicalOriginY() const { return m_originY; }

    // Limits drawing to rect (logical coordinates), within the surface.
    void SetClipRect(DeviceRect logical);
    // Lets drawing reach the whole surface again.
    void ResetClip();
    // The part of the surface that may be drawn on, in logical coordinates.
    // An empty clip gives a rectangle with right == left and bottom == top.
    DeviceRect GetClipBox() const;

    void SetStretchMode(int mode) { m_stretchMode = mode; }
    int GetStretchMode() const { return m_stretchMode; }

    // Fills rect (logical coordinates, clipped) with one colour.
    void FillSolid(DeviceRect logical, COLORREF colour);

    // Puts the whole DIB on the surface with its top-left corner at logical
    // (x, y): its first stored row becomes the bottom line. Indexed pixels
    // are looked up in dib.palette; an index beyond the table gives black.
    void TransferDib(int x, int y, const DibView& dib);

    // A 24-bit bottom-up section of width x height pixels; its Bits() is null
    // when it could not be made (no memory, or larger than the limit below).
    OffscreenSection CreateSection(int width, int height) const;
    void SetSectionByteLimit(std::uint64_t bytes) { m_sectionByteLimit = bytes; }

    // Copies what the surface shows into the first `rows` rows of section:
    // the rectangle of section width x rows pixels whose top-left corner is
    // at logical (x, y), its bottom line into section row 0. Pixels outside
    // the surface come out black.
    void CopyToSection(int x, int y, OffscreenSection& section, int rows) const;
    // Transfers the first `rows` rows of section to the rectangle whose
    // top-left corner is at logical (x, y).
    void TransferSection(int x, int y, const OffscreenSection& section, int rows);

    // The rectangle (logical coordinates) as surface memory, when all of it
    // lies inside the clip box; an empty window otherwise, or when the
    // rectangle is empty.
    SurfaceWindow OpenWindow(DeviceRect logical) const;

    // The surface pixel at surface (not logical) coordinates; 0 outside.
    std::uint32_t SurfacePixel(int x, int y) const;

private:
    // A rectangle in surface coordinates, widened so that moving a logical
    // position by the origin cannot overflow.
    struct SurfaceSpan {
        std::int64_t left, top, right, bottom;
        bool IsEmpty() const { return right <= left || bottom <= top; }
    };

    std::uint32_t* Row(std::int64_t y) const;
    // The rectangle of width x height at logical (x, y), cut to the clip.
    SurfaceSpan ClippedSpan(std::int64_t x, std::int64_t y, std::int64_t width,
                            std::int64_t height) const;

    std::uint32_t* m_pixels;
    int m_width;
    int m_height;
    std::int64_t m_pitchBytes;
    int m_originX = 0;
    int m_originY = 0;
    SurfaceSpan m_clip;  // always inside the surface
    int m_stretchMode = BLACKONWHITE;
    std::uint64_t m_sectionByteLimit = DEFAULT_SECTION_BYTE_LIMIT;
};
