// ViewGeometry: where the player view puts the shot, and which picture pixel
// a point of the view shows. Plain C++; the view only forwards its sizes,
// the pointer and the scroll position.
//
// Three ways to show a shot:
//  - fit, stretched: both axes scaled to the client area separately;
//  - fit, aspect-true: one factor for both axes, the largest that fits,
//    the shot centred with white around it;
//  - zoomed: a factor of the shot's own size, scroll bars where it is larger
//    than the client area, centred where it is smaller. At 100 % this is the
//    own size of before: drawn at the origin, and the frame shrinks to it.
//
// The zoom keys step through ZoomSteps() (1/16 ... 32); a zoom given on the
// command line may lie between steps.
//
// Sizes and points are in view pixels; "document" points are client points
// plus the scroll position, as the paint's device context counts them.
#pragma once

#include <array>

#include <optional>
#include <span>

enum class FitMode { Stretch, Aspect };

struct ViewSize {
    int width = 0;
    int height = 0;
    bool operator==(const ViewSize&) const = default;
};

struct ViewPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ViewPoint&) const = default;
};

struct ViewRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ViewRect&) const = default;
    bool Contains(ViewPoint p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
};

// A box of size placed margin from each corner of client, in reading order:
// top left, top right, bottom left, bottom right. A client too small for it
// keeps it at the margin.
std::array<ViewRect, 4> CornerRects(ViewSize box, ViewSize client, int margin);

struct ViewLayout {
    ViewRect picture;  // where Draw puts the shot, document coordinates
    ViewSize total;    // the scroll sizes
    bool ownSize = false;  // fit off at 100 %: the frame's shrink rule applies
};

// A picture pixel: x from the left, y from the top of the picture as seen.
struct PicturePixel {
    int x = 0;
    int y = 0;
    bool operator==(const PicturePixel&) const = default;
};

class ViewGeometry {
public:
    static constexpr double MIN_ZOOM = 1.0 / 16;
    static constexpr double MAX_ZOOM = 32.0;

    static std::span<const double> ZoomSteps();
    // The next step above (below) factor; factor itself at the end of the range.
    static double StepIn(double factor);
    static double StepOut(double factor);
    // A zoom in percent, or nothing when it lies outside 1/16 ... 32 times.
    static std::optional<double> ZoomFromPercent(double percent);

    FitMode Fit() const { return m_fit; }
    void SetFit(FitMode fit) { m_fit = fit; }
    double Zoom() const { return m_zoom; }
    // Clamped into MIN_ZOOM ... MAX_ZOOM.
    void SetZoom(double factor);

    // image: the shot's size (at least 1 x 1); client: the visible area.
    ViewLayout Layout(ViewSize image, ViewSize client, bool fitOn) const;

    // The factor a zoom step starts from: the zoom, or in fit the smaller of
    // the two axes' factors.
    double ShownZoom(ViewSize image, ViewSize client, bool fitOn) const;

    // The scroll position after a change of layout that keeps the picture
    // point under anchor (client coordinates) where it is, within the
    // scroll range of after.
    static ViewPoint ScrollKeeping(const ViewLayout& before, ViewPoint scrollBefore, const ViewLayout& after,
                                   ViewPoint anchor, ViewSize image, ViewSize client);

    // The scroll position clamped into the range of a layout.
    static ViewPoint ClampScroll(const ViewLayout& layout, ViewPoint scroll, ViewSize client);

    // The pixel Draw shows at document point p, sampled as Draw samples
    // (columns through their left edge, lines through their lower edge);
    // nothing outside the picture.
    static std::optional<PicturePixel> PixelAt(const ViewLayout& layout, ViewSize image, ViewPoint p);

private:
    FitMode m_fit = FitMode::Stretch;
    double m_zoom = 1.0;
};
