// The placeholder of a shot that fails to load, and the font it is drawn in.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/bitmap_font.h"
#include "image/shot_placeholder.h"

namespace {

TEST(ShotPlaceholder, MidGreyWithOneCentredLineOfWhiteText)
{
    const std::string text = ShotPlaceholderText("/data/run/shot0042.gif", "cannot be opened");
    EXPECT_EQ(text, "shot0042.gif: cannot be opened");
    for (const auto& [width, height] : {std::pair{640, 480}, std::pair{90, 20}, std::pair{1, 1}}) {
        const auto image = MakeShotPlaceholder(width, height, text);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->Width(), width);
        EXPECT_EQ(image->GetPaletteColour(0).rgbRed, PLACEHOLDER_GREY);
        int left = width, right = -1, top = height, bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const BYTE index = image->GetPixelIndex(x, height - 1 - y);
                ASSERT_LE(index, 1);
                if (index == 1) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        if (width < 40) {
            EXPECT_EQ(right, -1) << "no room for any text";
            continue;
        }
        ASSERT_GE(right, 0) << width;
        EXPECT_LE(std::abs((left + right) - (width - 1)), 8) << "centred across, " << width;
        EXPECT_LE(std::abs((top + bottom) - (height - 1)), 4 * FONT_GLYPH_HEIGHT) << "centred down, " << width;
    }
}

TEST(BitmapFont, WidthsAndCutText)
{
    struct Case {
        const char* text;
        int scale;
        int width;
        const char* fitted;
    };
    for (const Case& c : {Case{"0042", 1, 23, "0042"}, Case{"0042", 2, 46, "0042"}, Case{"0042", 2, 45, "..."}, Case{"0042", 2, 33, ""},
                          Case{"shot0042.gif", 1, 41, "shot..."}, Case{"", 3, 0, ""}}) {
        EXPECT_EQ(FitBitmapText(c.text, c.scale, c.width), c.fitted) << c.text << " in " << c.width;
    }
    EXPECT_EQ(BitmapTextWidth("0042", 1), 23);
    EXPECT_EQ(BitmapTextWidth("0042", 3), 69);
}

TEST(BitmapFont, GlyphsLandOnTheirPixels)
{
    // '1' is a stem in column 2 of its cell, with a serif left of the top and a foot.
    CDibImage image(ImageFormat::Bmp);
    ASSERT_TRUE(image.Create(7, 9, 24, ImageFormat::Bmp));
    std::fill(image.GetPixels(), image.GetPixels() + image.Header().biSizeImage, BYTE(0));
    RGBQUAD white{255, 255, 255, 0};
    DrawBitmapText(image, 1, 1, "1", 1, white);
    std::string drawn;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 7; ++x) drawn += image.GetPixels()[std::size_t(8 - y) * image.Info().stride + 3 * x] ? '#' : '.';
        drawn += '\n';
    }
    EXPECT_EQ(drawn, ".......\n"
                     "...#...\n"
                     "..##...\n"
                     "...#...\n"
                     "...#...\n"
                     "...#...\n"
                     "...#...\n"
                     "..###..\n"
                     ".......\n");
}

}  // namespace
