// The shot overlay: the pixel readout of a known pattern, the lines shown,
// and the corner that keeps the pointer's pixel free.
#include <gtest/gtest.h>

#include "shots/view/shot_overlay.h"

namespace {

TEST(ShotOverlayReadout, ReadsIndexAndColourCountingYFromTheTop)
{
    CDibImage indexed(ImageFormat::Gif);
    indexed.Create(3, 2, 8, ImageFormat::Gif);
    indexed.SetPaletteEntry(7, 10, 20, 30, 0);
    indexed.SetPixelIndex(2, 1, 7);  // storage row 1 is the top row
    const auto top = ReadPixel(indexed, {2, 0});
    ASSERT_TRUE(top);
    EXPECT_EQ(top->index, 7);
    EXPECT_EQ((std::array<int, 3>{top->red, top->green, top->blue}), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(ReadPixel(indexed, {2, 1})->index, 0);
    EXPECT_FALSE(ReadPixel(indexed, {3, 0}));
    EXPECT_FALSE(ReadPixel(indexed, {0, -1}));

    CDibImage colour(ImageFormat::Bmp);
    colour.Create(2, 2, 24, ImageFormat::Bmp);
    colour.SetPixelColour(1, 0, RGB(200, 100, 50));  // bottom right
    const auto bottomRight = ReadPixel(colour, {1, 1});
    ASSERT_TRUE(bottomRight);
    EXPECT_FALSE(bottomRight->index);
    EXPECT_EQ((std::array<int, 3>{bottomRight->red, bottomRight->green, bottomRight->blue}),
              (std::array<int, 3>{200, 100, 50}));
}

TEST(ShotOverlayLines, ListTheShotTheZoomAndThePointer)
{
    ShotFacts facts;
    facts.fileName = "run0042.gif";
    facts.shotNumber = 42;
    facts.position = 3;
    facts.count = 12;
    facts.lastWriteTime = 116444736000000000 + 10000000LL * 86400;  // 1970-01-02
    facts.hasPicture = true;
    facts.width = 640;
    facts.height = 480;
    facts.bitCount = 8;
    facts.colours = 256;
    facts.transparentIndex = 5;
    facts.frameDelay = 10;
    PixelReadout pointer;
    pointer.at = {12, 5};
    pointer.index = 3;
    pointer.red = 255;
    const std::vector<std::string> expected = {
        "run0042.gif",
        "shot 42, 3 of 12",
        "written 1970-01-02T00:00:00.0000000Z",
        "640 x 480, 8 bits, 256 colours",
        "transparent index 5, delay 100 ms",
        "zoom 400 %",
        "x 12, y 5, index 3, RGB 255 0 0",
    };
    EXPECT_EQ(OverlayLines(facts, "400 %", pointer), expected);
    EXPECT_EQ(OverlayLines(std::nullopt, "", std::nullopt), std::vector<std::string>{"no shot"});
}

TEST(ShotOverlayLines, NameTheZoomOfEachWayOfShowing)
{
    ViewLayout layout;
    layout.picture = {0, 0, 100, 300};
    EXPECT_EQ(ZoomText(layout, {200, 200}, false, FitMode::Stretch), "50 %");
    EXPECT_EQ(ZoomText(layout, {200, 200}, true, FitMode::Stretch), "fit, stretched 50 % x 150 %");
    EXPECT_EQ(ZoomText(layout, {200, 200}, true, FitMode::Aspect), "fit, aspect 50 %");
    layout.picture = {0, 0, 1, 1};
    EXPECT_EQ(ZoomText(layout, {16, 16}, false, FitMode::Stretch), "6.25 %");
}

struct PlaceCase {
    ViewSize client;
    std::optional<ViewPoint> pointer;
    std::optional<ViewRect> box;
};

class OverlayPlace : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(OverlayPlace, LeavesThePointersPixelFree)
{
    EXPECT_EQ(PlaceOverlay({40, 20}, GetParam().client, GetParam().pointer, 4), GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(Corners, OverlayPlace,
                         ::testing::Values(PlaceCase{{200, 100}, std::nullopt, ViewRect{4, 4, 40, 20}},
                                           PlaceCase{{200, 100}, ViewPoint{100, 50}, ViewRect{4, 4, 40, 20}},
                                           PlaceCase{{200, 100}, ViewPoint{10, 10}, ViewRect{156, 4, 40, 20}},
                                           PlaceCase{{60, 100}, ViewPoint{30, 10}, ViewRect{4, 76, 40, 20}},
                                           PlaceCase{{60, 40}, ViewPoint{30, 20}, std::nullopt}));

}  // namespace
