#include "shots/view/view_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::array<double, 14> kZoomSteps = {1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32};

// Keeps a zoomed size inside what the scroll bars and Draw can count.
constexpr double kLargestSide = double(1 << 30);

// A side scaled by factor, at least one pixel.
int Scaled(int side, double factor)
{
    return int(std::clamp(std::round(double(side) * factor), 1.0, kLargestSide));
}

// Treats factors that differ only by rounding as the same step.
constexpr double kSameStep = 1e-9;

}  // namespace

std::span<const double> ViewGeometry::ZoomSteps() { return kZoomSteps; }

double ViewGeometry::StepIn(double factor)
{
    for (double step : kZoomSteps) {
        if (step > factor * (1 + kSameStep)) return step;
    }
    return std::clamp(factor, MIN_ZOOM, MAX_ZOOM);
}

double ViewGeometry::StepOut(double factor)
{
    for (auto step = kZoomSteps.rbegin(); step != kZoomSteps.rend(); ++step) {
        if (*step < factor * (1 - kSameStep)) return *step;
    }
    return std::clamp(factor, MIN_ZOOM, MAX_ZOOM);
}

std::optional<double> ViewGeometry::ZoomFromPercent(double percent)
{
    const double factor = percent / 100;
    if (!(factor >= MIN_ZOOM && factor <= MAX_ZOOM)) return std::nullopt;  // NaN too
    return factor;
}

void ViewGeometry::SetZoom(double factor)
{
    if (std::isnan(factor)) return;
    m_zoom = std::clamp(factor, MIN_ZOOM, MAX_ZOOM);
}

ViewLayout ViewGeometry::Layout(ViewSize image, ViewSize client, bool fitOn) const
{
    ViewLayout layout;
    const int iw = std::max(1, image.width);
    const int ih = std::max(1, image.height);
    const int cw = std::max(0, client.width);
    const int ch = std::max(0, client.height);

    if (fitOn && m_fit == FitMode::Stretch) {
        layout.picture = {0, 0, cw, ch};
        layout.total = {cw, ch};
        return layout;
    }
    if (fitOn) {
        layout.total = {cw, ch};
        if (cw == 0 || ch == 0) return layout;
        const double factor = std::min(double(cw) / iw, double(ch) / ih);
        const int w = std::min(cw, Scaled(iw, factor));
        const int h = std::min(ch, Scaled(ih, factor));
        layout.picture = {(cw - w) / 2, (ch - h) / 2, w, h};
        return layout;
    }
    if (m_zoom == 1.0) {
        layout.picture = {0, 0, iw, ih};
        layout.total = {iw, ih};
        layout.ownSize = true;
        return layout;
    }
    const int w = Scaled(iw, m_zoom);
    const int h = Scaled(ih, m_zoom);
    // Smaller than the client area: centred, no scrolling in that direction.
    layout.picture = {w < cw ? (cw - w) / 2 : 0, h < ch ? (ch - h) / 2 : 0, w, h};
    layout.total = {w, h};
    return layout;
}

double ViewGeometry::ShownZoom(ViewSize image, ViewSize client, bool fitOn) const
{
    if (!fitOn) return m_zoom;
    const ViewLayout layout = Layout(image, client, true);
    const double shown = std::min(double(layout.picture.width) / std::max(1, image.width),
                                  double(layout.picture.height) / std::max(1, image.height));
    return shown > 0 ? shown : m_zoom;
}

ViewPoint ViewGeometry::ClampScroll(const ViewLayout& layout, ViewPoint scroll, ViewSize client)
{
    const int maxX = std::max(0, layout.total.width - client.width);
    const int maxY = std::max(0, layout.total.height - client.height);
    return {std::clamp(scroll.x, 0, maxX), std::clamp(scroll.y, 0, maxY)};
}

ViewPoint ViewGeometry::ScrollKeeping(const ViewLayout& before, ViewPoint scrollBefore, const ViewLayout& after,
                                      ViewPoint anchor, ViewSize image, ViewSize client)
{
    // The anchor in picture pixels (fractional), then where that lands.
    auto keep = [](int anchorAt, int scroll, int fromOrigin, int fromSide, int toOrigin, int toSide, int side) {
        if (fromSide <= 0 || side <= 0) return 0;
        const double pictureAt = (double(anchorAt) + scroll - fromOrigin) * side / fromSide;
        const double scrolled = toOrigin + pictureAt * toSide / side - anchorAt;
        return int(std::clamp(std::round(scrolled), -kLargestSide, kLargestSide));
    };
    const int iw = std::max(1, image.width);
    const int ih = std::max(1, image.height);
    const ViewRect& from = before.picture;
    const ViewRect& to = after.picture;
    const ViewPoint wanted{keep(anchor.x, scrollBefore.x, from.x, from.width, to.x, to.width, iw),
                           keep(anchor.y, scrollBefore.y, from.y, from.height, to.y, to.height, ih)};
    return ClampScroll(after, wanted, client);
}

std::optional<PicturePixel> ViewGeometry::PixelAt(const ViewLayout& layout, ViewSize image, ViewPoint p)
{
    const ViewRect& picture = layout.picture;
    if (image.width <= 0 || image.height <= 0 || !picture.Contains(p)) return std::nullopt;
    const std::int64_t dx = std::int64_t(p.x) - picture.x;
    const std::int64_t dy = std::int64_t(p.y) - picture.y;
    if (picture.width == image.width && picture.height == image.height) return PicturePixel{int(dx), int(dy)};

    // Draw's rules: the scales rounded to float, columns through their left
    // edge rounded down, lines through their lower edge rounded up, rows
    // counted from the bottom of the picture.
    const float scaleX = float(double(image.width) / double(picture.width));
    const float scaleY = float(double(image.height) / double(picture.height));
    const auto column = std::int64_t(std::floor(double(dx) * double(scaleX)));
    const std::int64_t row = image.height - std::int64_t(std::ceil(double(dy + 1) * double(scaleY)));
    const std::int64_t storageRow = std::clamp<std::int64_t>(row, 0, image.height - 1);
    return PicturePixel{int(std::clamp<std::int64_t>(column, 0, image.width - 1)),
                        int(image.height - 1 - storageRow)};
}

std::array<ViewRect, 4> CornerRects(ViewSize box, ViewSize client, int margin)
{
    const int left = margin;
    const int top = margin;
    const int right = std::max(margin, client.width - margin - box.width);
    const int bottom = std::max(margin, client.height - margin - box.height);
    return {ViewRect{left, top, box.width, box.height}, ViewRect{right, top, box.width, box.height},
            ViewRect{left, bottom, box.width, box.height}, ViewRect{right, bottom, box.width, box.height}};
}
