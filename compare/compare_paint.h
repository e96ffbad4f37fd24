// Where A and B go in each compare mode, which pixel of each lies under a
// point, and the painting of the pair onto the drawing surface.
//
// Layouts come from the view's own ViewGeometry, so fit, aspect-true and
// zoom apply to A and B alike:
//  - side: the client area split into two halves around a 2-pixel mid-grey
//    divider, each picture laid out inside its half; both halves pan
//    together (the scroll position applies inside each);
//  - wipe: both laid out in the whole client area, A shown left of the wipe
//    line and B right of it;
//  - flip: one of them laid out in the whole client area;
//  - diff: both laid out in the whole client area; each pixel shows
//    |A - B| of the drawn colours times the gain, mid-grey where only one
//    picture has pixels, black where neither has.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "compare/compare_options.h"
#include "image/win_types.h"
#include "shots/view/view_geometry.h"

class CDibImage;
class DeviceContext;

constexpr COLORREF COMPARE_DIVIDER_COLOUR = 0x808080;
constexpr int COMPARE_DIVIDER_WIDTH = 2;
constexpr std::uint32_t DIFF_ONE_SIDE_PIXEL = 0xFF808080u;  // only one picture has pixels here
constexpr std::uint32_t DIFF_NEITHER_PIXEL = 0xFF000000u;

// Everything in document coordinates (client plus scroll), as ViewLayout.
struct CompareLayout {
    ViewLayout a;        // A's picture; its total is unused
    ViewLayout b;
    ViewRect aArea;      // where A may show; empty when it does not show
    ViewRect bArea;
    ViewRect divider;    // side only
    ViewSize total;      // the scroll sizes
    int bShiftX = 0;     // side: B's half starts this far right of A's
};

struct CompareScene {
    CompareMode mode = CompareMode::Side;
    bool flipShowsB = false;
    double wipePercent = 50;
};

// The wipe line's x in the client area: percent of its width, rounded.
int WipeLineX(int clientWidth, double percent);
// The wipe percentage that puts the line at x of the client area.
double WipePercentAt(int x, int clientWidth);

CompareLayout LayoutCompare(const ViewGeometry& geometry, ViewSize imageA, ViewSize imageB, ViewSize client,
                            bool fitOn, ViewPoint scroll, const CompareScene& scene);

// The pixels of A and of B under a client point; nothing for a picture the
// point does not fall on (in side mode the same place of each half).
struct ComparePixels {
    std::optional<PicturePixel> a;
    std::optional<PicturePixel> b;
};
ComparePixels ComparePixelsAt(const CompareLayout& layout, ViewSize imageA, ViewSize imageB, ViewPoint client,
                              ViewPoint scroll);

// A layout's rectangles scaled to device pixels (the surface's own units),
// the pictures as the single view scales them.
CompareLayout ScaleLayout(const CompareLayout& layout, double ratio);

// What PaintCompare draws: the two pictures (null draws nothing) and the
// layout in the surface's logical coordinates.
struct ComparePaint {
    const CDibImage* a = nullptr;
    const CDibImage* b = nullptr;
    CompareLayout layout;
    CompareMode mode = CompareMode::Side;
    int diffGain = 1;
};

// Buffers the diff mode draws A and B into, kept between paints.
struct CompareBuffers {
    std::vector<std::uint32_t> a;
    std::vector<std::uint32_t> b;
};

// Paints inside the context's clip box and nowhere else; the clip box is
// the same afterwards.
void PaintCompare(DeviceContext* dc, const ComparePaint& paint, CompareBuffers& buffers);
