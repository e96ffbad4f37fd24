#include "compare/compare_paint.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "compare/shot_difference.h"
#include "image/device_context.h"
#include "image/dib_image.h"

namespace {

constexpr COLORREF BACKGROUND = 0xFFFFFF;

ViewRect Intersect(ViewRect r, const DeviceRect& clip)
{
    const std::int64_t left = std::max<std::int64_t>(r.x, clip.left);
    const std::int64_t top = std::max<std::int64_t>(r.y, clip.top);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t(r.x) + r.width, clip.right);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t(r.y) + r.height, clip.bottom);
    if (right <= left || bottom <= top) return {};
    return {int(left), int(top), int(right - left), int(bottom - top)};
}

DeviceRect ToDeviceRect(const ViewRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

bool Drawable(const CDibImage* image)
{
    return image && !image->IsEmpty() && image->Width() > 0 && image->Height() > 0 && image->Info().drawEnabled;
}

// image at picture, seen only inside area.
void DrawInArea(HDC dc, const DeviceRect& clip, const CDibImage* image, const ViewRect& picture, const ViewRect& area)
{
    const ViewRect visible = Intersect(area, clip);
    if (visible.width == 0) return;
    dc->SetClipRect(ToDeviceRect(visible));
    dc->FillSolid(ToDeviceRect(visible), BACKGROUND);
    if (Drawable(image)) image->Draw(dc, picture.x, picture.y, picture.width, picture.height);
    dc->SetClipRect(clip);
}

// image at picture over white, into pixels that hold the clip box.
void RenderInto(std::vector<std::uint32_t>& pixels, const DeviceRect& clip, const CDibImage* image,
                const ViewRect& picture)
{
    const int width = clip.right - clip.left;
    const int height = clip.bottom - clip.top;
    DeviceContext dc(pixels.data(), width, height, width * 4);
    dc.SetLogicalOrigin(clip.left, clip.top);
    dc.SetClipRect(clip);
    // An opaque picture over the whole box covers every pixel itself.
    const ViewRect covered = Intersect(picture, clip);
    const bool covers = covered.width == width && covered.height == height;
    if (!(Drawable(image) && covers && !image->NeedsBlending())) dc.FillSolid(clip, BACKGROUND);
    if (Drawable(image)) image->Draw(&dc, picture.x, picture.y, picture.width, picture.height);
}

void PaintDifference(HDC dc, const DeviceRect& clip, const ComparePaint& paint, CompareBuffers& buffers)
{
    const int width = clip.right - clip.left;
    const int height = clip.bottom - clip.top;
    const SurfaceWindow out = dc->OpenWindow(clip);
    if (!out.TopLine()) return;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    buffers.a.resize(count);
    buffers.b.resize(count);
    RenderInto(buffers.a, clip, paint.a, paint.layout.a.picture);
    RenderInto(buffers.b, clip, paint.b, paint.layout.b.picture);

    // Where each picture has pixels, inside the box.
    const auto cover = [&](const CDibImage* image, const ViewRect& picture, const ViewRect& area) {
        if (!Drawable(image)) return ViewRect{};
        const ViewRect inArea = Intersect(picture, ToDeviceRect(area));
        return inArea.width ? Intersect(inArea, clip) : ViewRect{};
    };
    const ViewRect a = cover(paint.a, paint.layout.a.picture, paint.layout.aArea);
    const ViewRect b = cover(paint.b, paint.layout.b.picture, paint.layout.bArea);
    const auto span = [](const ViewRect& r, int y, int& from, int& to) {
        const bool on = r.width > 0 && y >= r.y && y < r.y + r.height;
        from = on ? r.x : 0;
        to = on ? r.x + r.width : 0;
    };
    for (int k = 0; k < height; ++k) {
        const int y = clip.top + k;
        std::uint32_t* line = out.Line(k);
        int aFrom, aTo, bFrom, bTo;
        span(a, y, aFrom, aTo);
        span(b, y, bFrom, bTo);
        const int from = std::max(aFrom, bFrom);
        const int to = std::min(aTo, bTo);
        // Each pixel written once: the line cut where a span begins or
        // ends, each piece grey for neither, mid-grey for one, and the
        // difference where both have pixels.
        int cuts[6] = {clip.left, aFrom, aTo, bFrom, bTo, clip.right};
        for (int& cut : cuts) cut = std::clamp(cut, int(clip.left), int(clip.right));
        std::sort(std::begin(cuts), std::end(cuts));
        for (int c = 0; c + 1 < 6; ++c) {
            const int x = cuts[c], end = cuts[c + 1];
            if (end <= x || (x >= from && end <= to)) continue;
            const int sides = int(x >= aFrom && x < aTo) + int(x >= bFrom && x < bTo);
            std::fill(line + (x - clip.left), line + (end - clip.left), sides ? DIFF_ONE_SIDE_PIXEL : DIFF_NEITHER_PIXEL);
        }
        if (to <= from) continue;
        const std::size_t at = std::size_t(k) * std::size_t(width) + std::size_t(from - clip.left);
        DifferencePixels(buffers.a.data() + at, buffers.b.data() + at, line + (from - clip.left), std::size_t(to - from),
                         paint.diffGain);
    }
}

int Rounded(double value) { return int(std::clamp(std::round(value), -2147483648.0, 2147483647.0)); }

// Edges scaled, so that neighbouring areas stay neighbours.
ViewRect ScaleArea(const ViewRect& r, double ratio)
{
    const int left = Rounded(r.x * ratio);
    const int top = Rounded(r.y * ratio);
    return {left, top, Rounded((double(r.x) + r.width) * ratio) - left, Rounded((double(r.y) + r.height) * ratio) - top};
}

// As the single view scales the picture: each number on its own.
ViewRect ScalePicture(const ViewRect& r, double ratio)
{
    return {Rounded(r.x * ratio), Rounded(r.y * ratio), Rounded(r.width * ratio), Rounded(r.height * ratio)};
}

}  // namespace

const char* CompareModeName(CompareMode mode)
{
    switch (mode) {
    case CompareMode::Side: return "side";
    case CompareMode::Wipe: return "wipe";
    case CompareMode::Flip: return "flip";
    case CompareMode::Diff: return "diff";
    }
    return "side";
}

int WipeLineX(int clientWidth, double percent)
{
    if (!(percent >= 0)) percent = 0;  // NaN too
    percent = std::min(percent, 100.0);
    return std::clamp(Rounded(std::max(0, clientWidth) * percent / 100), 0, std::max(0, clientWidth));
}

double WipePercentAt(int x, int clientWidth)
{
    if (clientWidth <= 0) return 50;
    return std::clamp(100.0 * x / clientWidth, 0.0, 100.0);
}

CompareLayout LayoutCompare(const ViewGeometry& geometry, ViewSize imageA, ViewSize imageB, ViewSize client,
                            bool fitOn, ViewPoint scroll, const CompareScene& scene)
{
    CompareLayout out;
    const int cw = std::max(0, client.width);
    const int ch = std::max(0, client.height);
    const ViewRect whole{scroll.x, scroll.y, cw, ch};
    if (scene.mode == CompareMode::Side) {
        const int left = std::max(0, (cw - COMPARE_DIVIDER_WIDTH) / 2);
        const int divider = std::min(COMPARE_DIVIDER_WIDTH, cw - left);
        const int right = cw - left - divider;
        out.a = geometry.Layout(imageA, {left, ch}, fitOn);
        out.b = geometry.Layout(imageB, {right, ch}, fitOn);
        out.bShiftX = left + divider;
        out.b.picture.x += out.bShiftX;
        out.aArea = {scroll.x, scroll.y, left, ch};
        out.divider = {scroll.x + left, scroll.y, divider, ch};
        out.bArea = {scroll.x + out.bShiftX, scroll.y, right, ch};
        // Both halves pan together: the range is the larger of theirs.
        const int extra = std::max({0, out.a.total.width - left, out.b.total.width - right});
        out.total = {cw + extra, std::max({ch, out.a.total.height, out.b.total.height})};
        return out;
    }
    out.a = geometry.Layout(imageA, client, fitOn);
    out.b = geometry.Layout(imageB, client, fitOn);
    out.total = {std::max(out.a.total.width, out.b.total.width), std::max(out.a.total.height, out.b.total.height)};
    switch (scene.mode) {
    case CompareMode::Wipe: {
        const int line = WipeLineX(cw, scene.wipePercent);
        out.aArea = {scroll.x, scroll.y, line, ch};
        out.bArea = {scroll.x + line, scroll.y, cw - line, ch};
        break;
    }
    case CompareMode::Flip:
        (scene.flipShowsB ? out.bArea : out.aArea) = whole;
        out.total = scene.flipShowsB ? out.b.total : out.a.total;
        break;
    default:
        out.aArea = out.bArea = whole;
        break;
    }
    return out;
}

ComparePixels ComparePixelsAt(const CompareLayout& layout, ViewSize imageA, ViewSize imageB, ViewPoint client,
                              ViewPoint scroll)
{
    ViewPoint pa{client.x + scroll.x, client.y + scroll.y};
    ViewPoint pb = pa;
    if (layout.bShiftX != 0) {
        // Side by side: the same place of each half.
        if (layout.aArea.Contains(pa)) {
            pb.x += layout.bShiftX;
        } else if (layout.bArea.Contains(pb)) {
            pa.x -= layout.bShiftX;
        } else {
            return {};
        }
    }
    ComparePixels pixels;
    pixels.a = ViewGeometry::PixelAt(layout.a, imageA, pa);
    // PixelAt counts from the picture's corner, wherever the picture is.
    pixels.b = ViewGeometry::PixelAt(layout.b, imageB, pb);
    return pixels;
}

CompareLayout ScaleLayout(const CompareLayout& layout, double ratio)
{
    if (ratio == 1.0) return layout;
    CompareLayout out = layout;
    out.a.picture = ScalePicture(layout.a.picture, ratio);
    out.b.picture = ScalePicture(layout.b.picture, ratio);
    out.aArea = ScaleArea(layout.aArea, ratio);
    out.bArea = ScaleArea(layout.bArea, ratio);
    out.divider = ScaleArea(layout.divider, ratio);
    out.bShiftX = Rounded(layout.bShiftX * ratio);
    return out;
}

void PaintCompare(DeviceContext* dc, const ComparePaint& paint, CompareBuffers& buffers)
{
    if (!dc) return;
    const DeviceRect clip = dc->GetClipBox();
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    if (paint.mode == CompareMode::Diff) {
        PaintDifference(dc, clip, paint, buffers);
        return;
    }
    DrawInArea(dc, clip, paint.a, paint.layout.a.picture, paint.layout.aArea);
    DrawInArea(dc, clip, paint.b, paint.layout.b.picture, paint.layout.bArea);
    const ViewRect divider = Intersect(paint.layout.divider, clip);
    if (divider.width > 0) dc->FillSolid(ToDeviceRect(divider), COMPARE_DIVIDER_COLOUR);
}
