// The compare modes painted onto a surface, as the view paints them: where
// A, B and the divider go, the wipe line, flip and the difference.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compare/compare_paint.h"
#include "image/device_context.h"
#include "image/dib_image.h"

namespace {

// Surface words, 0xRRGGBB (alpha dropped).
constexpr std::uint32_t RED = 0xC80000, BLUE = 0x0000C8, GREY = 0x808080, WHITE = 0xFFFFFF, BLACK = 0;

std::unique_ptr<CDibImage> Picture(int width, int height, std::function<std::uint32_t(int x, int y)> colour)
{
    auto image = std::make_unique<CDibImage>(ImageFormat::Bmp);
    image->Create(width, height, 24, ImageFormat::Bmp);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            // Storage rows count from the bottom.
            image->SetPixelColour(x, height - 1 - y, RGB(BYTE(c >> 16), BYTE(c >> 8), BYTE(c)));
        }
    }
    return image;
}

std::unique_ptr<CDibImage> Solid(int width, int height, std::uint32_t colour)
{
    return Picture(width, height, [colour](int, int) { return colour; });
}

struct Surface {
    Surface(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), 0xFF123456u) {}
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] & 0xFFFFFF; }
    // One row as text of colour names, for readable failures.
    std::string Row(int y) const
    {
        std::string text;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = At(x, y);
            text += c == RED ? 'R' : c == BLUE ? 'B' : c == GREY ? 'g' : c == WHITE ? 'w' : c == BLACK ? 'k' : '?';
        }
        return text;
    }
    int width, height;
    std::vector<std::uint32_t> pixels;
};

struct Scene {
    CompareScene scene;
    bool fitOn = true;
    double zoom = 1.0;
    int gain = 1;
};

Surface Paint(const CDibImage& a, const CDibImage& b, int width, int height, const Scene& s)
{
    Surface surface(width, height);
    ViewGeometry geometry;
    geometry.SetZoom(s.zoom);
    ComparePaint paint;
    paint.a = &a;
    paint.b = &b;
    paint.mode = s.scene.mode;
    paint.diffGain = s.gain;
    paint.layout = LayoutCompare(geometry, {a.Width(), a.Height()}, {b.Width(), b.Height()}, {width, height}, s.fitOn,
                                 {0, 0}, s.scene);
    DeviceContext dc(surface.pixels.data(), width, height, width * 4);
    CompareBuffers buffers;
    PaintCompare(&dc, paint, buffers);
    return surface;
}

TEST(ComparePaint, SideBySideHalvesAroundAMidGreyDivider)
{
    const auto a = Solid(4, 2, RED);
    const auto b = Solid(4, 2, BLUE);
    Scene stretched;
    const Surface fit = Paint(*a, *b, 11, 2, stretched);
    EXPECT_EQ(fit.Row(0), "RRRRggBBBBB");
    EXPECT_EQ(fit.Row(1), "RRRRggBBBBB");
    // At their own size each sits at its half's corner, white around it.
    Scene own;
    own.fitOn = false;
    const Surface natural = Paint(*a, *Solid(2, 1, BLUE), 14, 3, own);
    EXPECT_EQ(natural.Row(0), "RRRRwwggBBwwww");
    EXPECT_EQ(natural.Row(1), "RRRRwwggwwwwww");
    EXPECT_EQ(natural.Row(2), "wwwwwwggwwwwww");
}

TEST(ComparePaint, WipeShowsALeftOfTheLineAndBRightOfIt)
{
    const auto a = Solid(4, 1, RED);
    const auto b = Solid(4, 1, BLUE);
    const struct {
        double percent;
        const char* row;
    } cases[] = {{25, "RRBBBBBB"}, {50, "RRRRBBBB"}, {0, "BBBBBBBB"}, {100, "RRRRRRRR"},
                 // A drag to x 6 of 8.
                 {WipePercentAt(6, 8), "RRRRRRBB"}, {WipePercentAt(-3, 8), "BBBBBBBB"}};
    for (const auto& c : cases) {
        Scene wipe;
        wipe.scene.mode = CompareMode::Wipe;
        wipe.scene.wipePercent = c.percent;
        EXPECT_EQ(Paint(*a, *b, 8, 1, wipe).Row(0), c.row) << c.percent << " %";
    }
}

TEST(ComparePaint, FlipShowsOneWholeAndBAfterTheSwap)
{
    const auto a = Solid(3, 1, RED);
    const auto b = Solid(3, 1, BLUE);
    Scene flip;
    flip.scene.mode = CompareMode::Flip;
    EXPECT_EQ(Paint(*a, *b, 6, 1, flip).Row(0), "RRRRRR");
    flip.scene.flipShowsB = true;
    EXPECT_EQ(Paint(*a, *b, 6, 1, flip).Row(0), "BBBBBB");
}

TEST(ComparePaint, DifferenceIsBlackWhereEqualAndShowsOnePixelTimesTheGain)
{
    const auto base = [](int x, int y) { return std::uint32_t(0x102030 + x * 0x10 + y * 0x1000); };
    const auto a = Picture(5, 4, base);
    // One pixel differs: red +5, blue +60.
    const auto b = Picture(5, 4, [&](int x, int y) { return x == 2 && y == 1 ? base(x, y) + 0x05003C : base(x, y); });
    Scene diff;
    diff.scene.mode = CompareMode::Diff;
    diff.fitOn = false;
    for (const auto& [gain, expected] : {std::pair{1, 0x05003Cu}, {4, 0x1400F0u}, {64, 0xFF00FFu}}) {
        diff.gain = gain;
        const Surface same = Paint(*a, *a, 5, 4, diff);
        const Surface one = Paint(*a, *b, 5, 4, diff);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(same.At(x, y), BLACK) << x << ", " << y;
                EXPECT_EQ(one.At(x, y), x == 2 && y == 1 ? expected : BLACK) << "gain " << gain << " at " << x << ", " << y;
            }
        }
    }
    // Zoomed 200 %: the pixel covers its four places.
    diff.zoom = 2;
    diff.gain = 1;
    const Surface zoomed = Paint(*a, *b, 10, 8, diff);
    EXPECT_EQ(zoomed.At(4, 2), 0x05003Cu);
    EXPECT_EQ(zoomed.At(5, 3), 0x05003Cu);
    EXPECT_EQ(zoomed.At(6, 3), BLACK);
}

TEST(ComparePaint, DifferenceOfOtherSizesIsGreyWhereOnlyOneHasPixels)
{
    Scene diff;
    diff.scene.mode = CompareMode::Diff;
    diff.fitOn = false;
    const Surface surface = Paint(*Solid(4, 1, RED), *Solid(2, 2, RED), 6, 3, diff);
    EXPECT_EQ(surface.Row(0), "kkggkk");
    EXPECT_EQ(surface.Row(1), "ggkkkk");
    EXPECT_EQ(surface.Row(2), "kkkkkk");
}

TEST(ComparePaint, PaintsOnlyInsideTheClipBox)
{
    const auto a = Solid(4, 1, RED);
    for (CompareMode mode : {CompareMode::Side, CompareMode::Wipe, CompareMode::Flip, CompareMode::Diff}) {
        Surface surface(8, 1);
        ComparePaint paint;
        paint.a = paint.b = a.get();
        paint.mode = mode;
        CompareScene scene;
        scene.mode = mode;
        paint.layout = LayoutCompare(ViewGeometry(), {4, 1}, {4, 1}, {8, 1}, true, {0, 0}, scene);
        DeviceContext dc(surface.pixels.data(), 8, 1, 32);
        dc.SetClipRect({2, 0, 5, 1});
        CompareBuffers buffers;
        PaintCompare(&dc, paint, buffers);
        EXPECT_EQ(surface.Row(0).substr(0, 2) + surface.Row(0).substr(5), "?????") << CompareModeName(mode);
        const DeviceRect clip = dc.GetClipBox();
        EXPECT_EQ(clip.left, 2);
        EXPECT_EQ(clip.right, 5);
    }
}

TEST(ComparePaint, PointerReadsTheSamePlaceOfEachHalf)
{
    CompareScene side;
    const CompareLayout layout = LayoutCompare(ViewGeometry(), {4, 2}, {4, 2}, {10, 2}, true, {0, 0}, side);
    const ComparePixels left = ComparePixelsAt(layout, {4, 2}, {4, 2}, {1, 1}, {0, 0});
    const ComparePixels right = ComparePixelsAt(layout, {4, 2}, {4, 2}, {7, 1}, {0, 0});
    ASSERT_TRUE(left.a && left.b && right.a && right.b);
    EXPECT_EQ(*left.a, (PicturePixel{1, 1}));
    EXPECT_EQ(*left.b, (PicturePixel{1, 1}));
    EXPECT_EQ(*right.a, (PicturePixel{1, 1}));
    EXPECT_FALSE(ComparePixelsAt(layout, {4, 2}, {4, 2}, {4, 0}, {0, 0}).a);  // the divider
}

}  // namespace
