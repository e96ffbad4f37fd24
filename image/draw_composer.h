// DrawComposer: fills lines of a 32-bit surface with an image resampled by
// nearest neighbour, opaque or blended over what the lines already show.
// CDibImage::Draw makes one per call; everything that does not change from
// pixel to pixel is worked out here once:
//
//  - the column table: visible column i shows image column
//    floor((X0 + i - x) * scaleX), scaleX = imageWidth / width rounded to a
//    float and widened back to double for the product;
//  - the row rule: line k from the bottom of the visible rectangle (device
//    line Y1 - 1 - k) shows storage row imageHeight - ceil((Y1 - k - y) *
//    scaleY), 0 when that is negative;
//  - the colour table as surface words, plus, for blending, each entry's
//    alpha, its weighted colour and whether it matches the transparent colour.
//
// At the image's own size both rules reduce to a one-to-one copy.
//
// Blending of one channel: out = (background * (255 - a) + source * a) >> 8,
// with a = (opacity * alphaPlane) >> 8, further (a * entryAlpha) >> 8 for a
// colour table that carries alpha. Pixels whose colour equals the transparent
// colour in all four bytes keep the background. A line is blended in two
// passes: the first gathers each pixel's colour with its a in the top byte
// (a is at most 254, since opacity * 255 >> 8 is, so 255 marks a keyed
// pixel); the second blends the whole line, four pixels at a time where the
// processor has 128-bit integer vectors. An indexed image without an alpha
// plane (a GIF with a transparent index) takes one pass instead, from a table
// of each entry's weighted channels, source * a, and 255 - a in 16-bit lanes;
// a keyed entry has 0 and 256, which gives background * 256 >> 8, the
// background itself.
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

    // False when the working tables could not be allocated.
    bool IsReady() const { return m_columns && m_gathered; }

    // The storage row that feeds line k, counted from the bottom visible line.
    int SourceRow(int k) const;

    // Writes the visible width of `out` from storage row `row`.
    void ComposeOpaque(int row, std::uint32_t* out) const;
    // The same through streaming stores, by way of a line composed in
    // working memory: `again` sends the line composed last time once more
    // (a source row that repeats).
    void StreamOpaque(int row, bool again, std::uint32_t* out);
    // Blends storage row `row` over the visible width of `inout` in place.
    void ComposeBlended(int row, std::uint32_t* inout);

private:
    // Marks a keyed pixel in the top byte of a gathered colour.
    static constexpr std::uint32_t KEYED = 0xFF000000u;

    template <int Bits>
    void IndexedRun(const BYTE* row, const std::uint32_t* words, std::uint32_t* out) const;
    void OpaqueBgrRun(const BYTE* row, std::uint32_t* out) const;
    template <int Bits>
    void BlendIndexedRun(const BYTE* row, std::uint32_t* inout) const;
    template <int Bits>
    void GatherIndexedWithPlane(const BYTE* row, const BYTE* alphaRow, std::uint32_t* out) const;
    void GatherBgr(const BYTE* row, const BYTE* alphaRow, std::uint32_t* out) const;
    // The colours past the image, pixel by pixel.
    void ComposeBeyondImage(int row, std::uint32_t* out, bool gather) const;
    const BYTE* StorageRow(int row) const { return m_pixels + std::int64_t(row) * m_stride; }

    DrawPlacement m_place;
    int m_imageWidth;
    int m_imageHeight;
    int m_bitCount;
    const BYTE* m_pixels;
    std::int64_t m_stride;
    const BYTE* m_alpha;
    bool m_ownSize;
    float m_scaleY;

    std::unique_ptr<std::int32_t[]> m_columns;
    std::unique_ptr<std::uint32_t[]> m_gathered;  // one line of gathered colours
    int m_visibleWidth;
    int m_inImage;    // columns [0, m_inImage) lie inside the image
    int m_wordReads;  // 24 bits: columns [0, m_wordReads) may read 4 bytes

    std::uint32_t m_words[256];     // the colour table as opaque surface words
    std::uint32_t m_gatherWords[256];  // the colours with a in the top byte, or KEYED
    std::uint16_t m_factors[256];   // each entry's alpha, or 256 (leaves a unchanged)
    std::uint64_t m_weighted[256];  // blue, green, red times a, and 255 - a, in 16 bits each
    std::uint8_t m_opacityOf[256];  // (opacity * a) >> 8
    BYTE m_outsideIndex;
    bool m_keyBgr;                  // 24-bit: keying is on and the key can match
    std::uint32_t m_keyColour;      // 24-bit key: blue, green, red
};
