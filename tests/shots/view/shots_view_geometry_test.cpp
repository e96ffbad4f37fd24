// Where the player view puts a shot for each way of showing it, the zoom
// steps, the scroll position a zoom keeps, and which picture pixel a point
// of the view shows.
#include <gtest/gtest.h>

#include "shots/view/view_geometry.h"

namespace {

struct StepCase {
    double from;
    double in;
    double out;
};

class ZoomStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(ZoomStep, GoesToTheNeighbouringStep)
{
    EXPECT_DOUBLE_EQ(ViewGeometry::StepIn(GetParam().from), GetParam().in);
    EXPECT_DOUBLE_EQ(ViewGeometry::StepOut(GetParam().from), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Steps, ZoomStep,
                         ::testing::Values(StepCase{1, 2, 0.5}, StepCase{4, 6, 3}, StepCase{8, 12, 6},
                                           StepCase{32, 32, 24}, StepCase{1.0 / 16, 1.0 / 8, 1.0 / 16},
                                           StepCase{1.5, 2, 1}, StepCase{0.3, 0.5, 0.25}));

struct LayoutCase {
    const char* name;
    ViewSize image;
    ViewSize client;
    bool fitOn;
    FitMode fit;
    double zoom;
    ViewRect picture;
    ViewSize total;
    bool ownSize;
};

class ViewLayoutOf : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ViewLayoutOf, PlacesThePicture)
{
    const LayoutCase& c = GetParam();
    ViewGeometry geometry;
    geometry.SetFit(c.fit);
    geometry.SetZoom(c.zoom);
    const ViewLayout layout = geometry.Layout(c.image, c.client, c.fitOn);
    EXPECT_EQ(layout.picture, c.picture);
    EXPECT_EQ(layout.total, c.total);
    EXPECT_EQ(layout.ownSize, c.ownSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewLayoutOf,
    ::testing::Values(
        LayoutCase{"StretchFillsTheClient", {200, 100}, {300, 300}, true, FitMode::Stretch, 4, {0, 0, 300, 300},
                   {300, 300}, false},
        LayoutCase{"AspectWideIsCentredDown", {200, 100}, {300, 300}, true, FitMode::Aspect, 1, {0, 75, 300, 150},
                   {300, 300}, false},
        LayoutCase{"AspectTallIsCentredAcross", {100, 200}, {300, 300}, true, FitMode::Aspect, 1,
                   {75, 0, 150, 300}, {300, 300}, false},
        LayoutCase{"OwnSizeAtTheOrigin", {200, 100}, {300, 300}, false, FitMode::Aspect, 1, {0, 0, 200, 100},
                   {200, 100}, true},
        LayoutCase{"ZoomInScrolls", {50, 40}, {100, 100}, false, FitMode::Stretch, 4, {0, 0, 200, 160},
                   {200, 160}, false},
        LayoutCase{"ZoomOutIsCentred", {50, 40}, {100, 100}, false, FitMode::Stretch, 0.5, {37, 40, 25, 20},
                   {25, 20}, false},
        LayoutCase{"ZoomOutKeepsOnePixel", {3, 3}, {100, 100}, false, FitMode::Stretch, 1.0 / 16, {49, 49, 1, 1},
                   {1, 1}, false}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(ViewGeometryZoom, KeepsThePointUnderTheAnchor)
{
    ViewGeometry geometry;
    const ViewSize image{100, 100};
    const ViewSize client{100, 100};
    const ViewLayout before = geometry.Layout(image, client, false);
    geometry.SetZoom(2);
    const ViewLayout after = geometry.Layout(image, client, false);
    // Picture point (50, 30) stays at client (50, 30); the corner stays put.
    EXPECT_EQ(ViewGeometry::ScrollKeeping(before, {0, 0}, after, {50, 30}, image, client), (ViewPoint{50, 30}));
    EXPECT_EQ(ViewGeometry::ScrollKeeping(before, {0, 0}, after, {0, 0}, image, client), (ViewPoint{0, 0}));
    // Past the end of the range it stops at the end.
    EXPECT_EQ(ViewGeometry::ScrollKeeping(before, {0, 0}, after, {100, 100}, image, client),
              (ViewPoint{100, 100}));
}

TEST(ViewGeometryZoom, StartsFromWhatFitShows)
{
    ViewGeometry geometry;
    EXPECT_DOUBLE_EQ(geometry.ShownZoom({200, 100}, {100, 100}, true), 0.5);
    EXPECT_DOUBLE_EQ(geometry.ShownZoom({200, 100}, {100, 100}, false), 1);
    EXPECT_EQ(ViewGeometry::ZoomFromPercent(400), 4);
    EXPECT_EQ(ViewGeometry::ZoomFromPercent(6.25), 1.0 / 16);
    EXPECT_EQ(ViewGeometry::ZoomFromPercent(6), std::nullopt);
    EXPECT_EQ(ViewGeometry::ZoomFromPercent(3201), std::nullopt);
}

struct PixelCase {
    ViewRect picture;
    ViewSize image;
    ViewPoint point;
    std::optional<PicturePixel> pixel;
};

class PixelUnderPoint : public ::testing::TestWithParam<PixelCase> {};

TEST_P(PixelUnderPoint, IsThePixelDrawShowsThere)
{
    const PixelCase& c = GetParam();
    ViewLayout layout;
    layout.picture = c.picture;
    EXPECT_EQ(ViewGeometry::PixelAt(layout, c.image, c.point), c.pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PixelUnderPoint,
    ::testing::Values(PixelCase{{10, 10, 12, 12}, {3, 3}, {10, 10}, PicturePixel{0, 0}},
                      PixelCase{{10, 10, 12, 12}, {3, 3}, {13, 13}, PicturePixel{0, 0}},
                      PixelCase{{10, 10, 12, 12}, {3, 3}, {14, 13}, PicturePixel{1, 0}},
                      PixelCase{{10, 10, 12, 12}, {3, 3}, {21, 21}, PicturePixel{2, 2}},
                      PixelCase{{10, 10, 12, 12}, {3, 3}, {22, 10}, std::nullopt},
                      PixelCase{{10, 10, 12, 12}, {3, 3}, {9, 15}, std::nullopt},
                      PixelCase{{0, 0, 5, 7}, {5, 7}, {4, 6}, PicturePixel{4, 6}},
                      // Halved: lines sample through their lower edge.
                      PixelCase{{0, 0, 2, 2}, {4, 4}, {0, 0}, PicturePixel{0, 1}},
                      PixelCase{{0, 0, 2, 2}, {4, 4}, {1, 1}, PicturePixel{2, 3}}));

}  // namespace
