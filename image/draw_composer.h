// DrawComposer: fills the rows of an off-screen 24-bit section with an image
// resampled by nearest neighbour, opaque or blended over what the section
// already holds. CDibImage::Draw makes one per call; everything that does not
// change from pixel to pixel is worked out here once:
//
//  - the column table: section column i shows image column
//    floor((X0 + i - x) * scaleX), scaleX = imageWidth / width rounded to a
//    float and widened back to double for the product;
//  - the row rule: section row k (0 = bottom visible line, device line
//    Y1 - 1 - k) shows storage row imageHeight - ceil((Y1 - k - y) * scaleY),
//    0 when that is negative;
//  - the colour table as 32-bit words, plus, for blending, each entry's alpha
//    factor and whether it matches the transparent colour.
//
// At the image's own size both rules reduce to a one-to-one copy.
//
// Blending of one channel: out = (background * (255 - a) + source * a) >> 8,
// with a = (opacity * alphaPlane) >> 8, further (a * entryAlpha) >> 8 for a
// colour table that carries alpha. Pixels whose colour equals the transparent
// colour in all four bytes keep the background.
//
// Only a destination more than 2^24 pixels wide can round a column to the
// image width itself. Such columns lie past the image: an indexed image gives
// them the colour GetPixelIndex gives outside the picture (the transparent
// index, or 0), a 24-bit image and the alpha plane repeat their last column.
#pragma once

#include <cstdint>
#include <memory>

#include "image/dib_image.h"

// Where the picture goes and which part of it shows.
struct DrawPlacement {
    std::int64_t x, y;           // top-left corner of the picture (logical units)
    std::int64_t width, height;  // its size on the device, both positive
    int x0, y0, x1, y1;          // the visible rectangle, not empty
};

class DrawComposer {
public:
    // image must have pixels (width and height of at least 1).
    DrawComposer(const CDibImage& image, const DrawPlacement& placement);

    // False when the column table could not be allocated.
    bool IsReady() const { return m_columns != nullptr; }

    // The storage row that feeds section row k.
    int SourceRow(int k) const;

    // Writes the section row from storage row `row`, ignoring what it held.
    void ComposeOpaque(int row, BYTE* out) const;
    // Blends storage row `row` over the section row in place.
    void ComposeBlended(int row, BYTE* inout) const;

private:
    struct Entry {
        std::uint32_t colour;  // blue, green, red, reserved from the low byte up
        std::uint16_t factor;  // alpha of the entry, or 256 (leaves a unchanged)
        std::uint8_t alpha;    // a for this entry when there is no alpha plane
        std::uint8_t keyed;    // 1 when the colour is the transparent colour
    };

    template <int Bits>
    void OpaqueIndexedRun(const BYTE* row, BYTE* out) const;
    void OpaqueBgrRun(const BYTE* row, BYTE* out) const;
    template <int Bits, bool HasPlane>
    void BlendIndexedRun(const BYTE* row, const BYTE* alphaRow, BYTE* inout) const;
    template <bool HasPlane>
    void BlendBgrRun(const BYTE* row, const BYTE* alphaRow, BYTE* inout) const;
    // Columns past the image, pixel by pixel.
    void ComposeBeyondImage(int row, BYTE* out, bool blend) const;

    const CDibImage& m_image;
    DrawPlacement m_place;
    int m_imageWidth;
    int m_imageHeight;
    int m_bitCount;
    const BYTE* m_alpha;
    bool m_ownSize;
    float m_scaleY;

    std::unique_ptr<std::int32_t[]> m_columns;
    int m_visibleWidth;
    int m_inImage;  // columns [0, m_inImage) lie inside the image

    Entry m_entries[256];
    std::uint8_t m_opacityOf[256];  // (opacity * a) >> 8
    BYTE m_outsideIndex;
    bool m_keyBgr;                  // 24-bit: keying is on and the key can match
    std::uint32_t m_keyColour;      // 24-bit key: blue, green, red
};
