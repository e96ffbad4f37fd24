// CDibImage::Draw against the plain reference drawing on random images,
// sizes, positions, clip boxes and origins, whole surfaces compared.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "tests/draw_reference.h"

namespace {

using kestrel::test::ReferenceDraw;
using kestrel::test::TestSurface;

class RandomDraws {
public:
    explicit RandomDraws(unsigned seed) : m_random(seed) {}

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool OneIn(int n) { return Between(1, n) == 1; }
    BYTE Byte() { return BYTE(Between(0, 255)); }

    // Any depth, random pixels, a colour table with repeated entries, and
    // maybe a transparent index (inside or beyond the table), an alpha plane,
    // alpha in the table, lowered opacity.
    void FillImage(CDibImage& image, std::ostream& about)
    {
        const int depths[] = {1, 4, 8, 24};
        const int bits = depths[Between(0, 3)];
        const int width = Between(1, 40), height = Between(1, 40);
        ASSERT_NE(image.Create(width, height, bits, ImageFormat::Gif), nullptr);
        const int colours = int(image.Header().biClrUsed);
        for (int i = 0; i < colours; ++i) image.SetPaletteEntry(BYTE(i), Byte(), Byte(), Byte(), OneIn(2) ? 0 : Byte());
        for (int i = 0; colours && i < 3; ++i) {
            const RGBQUAD c = image.GetPaletteColour(BYTE(Between(0, colours - 1)));
            image.SetPaletteEntry(BYTE(Between(0, colours - 1)), c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved);
        }
        const DWORD bytes = image.Header().biSizeImage;
        for (DWORD i = 0; i < bytes; ++i) image.GetPixels()[i] = Byte();
        // A few 24-bit pixels share one colour, which may become the key.
        if (bits == 24)
            for (int i = 0; i < width; ++i) image.SetPixelColour(Between(0, width - 1), Between(0, height - 1), RGB(1, 2, 3));

        const DibImageInfo& info = image.Info();
        switch (Between(0, 5)) {
        case 0: case 1: image.SetTransparentIndex(-1); break;
        case 2: case 3: image.SetTransparentIndex(Between(0, colours ? colours - 1 : 20)); break;
        case 4: image.SetTransparentIndex(colours + Between(0, 300)); break;
        default: image.SetTransparentIndex(-Between(2, 9)); break;
        }
        image.SetTransparentColour(OneIn(4) ? RGBQUAD{Byte(), Byte(), Byte(), Byte()} : RGBQUAD{3, 2, 1, 0});
        if (OneIn(4)) {
            ASSERT_NE(image.CreateAlpha(), nullptr);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) image.SetAlpha(x, y, Byte());
        }
        image.SetPaletteHasAlpha(OneIn(4));
        image.SetOpacity(OneIn(2) ? 255 : Byte());
        about << bits << "-bit " << width << "x" << height << " transparent " << info.transparentIndex
              << (image.AlphaPlane() ? " alpha-plane" : "") << (info.paletteHasAlpha ? " palette-alpha" : "")
              << " opacity " << int(info.opacity);
    }

    TestSurface MakeSurface(std::ostream& about)
    {
        TestSurface surface(Between(1, 48), Between(1, 48), Between(0, 3));
        for (std::uint32_t& p : surface.pixels) p = std::uint32_t(m_random());
        if (OneIn(2)) {
            surface.originX = Between(-25, 25);
            surface.originY = Between(-25, 25);
        }
        if (OneIn(2)) {
            const int left = Between(-30, 50), top = Between(-30, 50);
            surface.clip = DeviceRect{left, top, left + Between(-5, 50), top + Between(-5, 50)};
        }
        about << " on " << surface.width << "x" << surface.height << " origin " << surface.originX << ","
              << surface.originY;
        if (surface.clip)
            about << " clip " << surface.clip->left << "," << surface.clip->top << "," << surface.clip->right
                  << "," << surface.clip->bottom;
        return surface;
    }

    int Size(int own)
    {
        switch (Between(0, 4)) {
        case 0: return -Between(1, 3);
        case 1: return own;
        case 2: return Between(1, 8);
        default: return Between(1, 90);
        }
    }

private:
    std::mt19937 m_random;
};

TEST(DrawRandom, MatchesTheReferenceEverywhere)
{
    RandomDraws random(20240611u);
    for (int round = 0; round < 4000; ++round) {
        std::ostringstream about;
        CDibImage image(ImageFormat::Gif);
        ASSERT_NO_FATAL_FAILURE(random.FillImage(image, about));
        const TestSurface surface = random.MakeSurface(about);
        const int x = random.Between(-60, 60), y = random.Between(-60, 60);
        const int width = random.Size(image.Width()), height = random.Size(image.Height());

        TestSurface drawn = surface, expected = surface;
        DeviceContext dc = drawn.MakeContext();
        const int result = image.Draw(&dc, x, y, width, height);
        ASSERT_EQ(result, ReferenceDraw(image, expected, x, y, width, height)) << about.str();
        ASSERT_EQ(drawn.pixels, expected.pixels)
            << "round " << round << ": " << about.str() << " Draw(" << x << ", " << y << ", " << width << ", "
            << height << ")";
    }
}

// Large pictures cross many bands of the section and repeat rows when
// enlarged; the clip box cuts them anywhere.
TEST(DrawRandom, LargePicturesMatchTheReference)
{
    RandomDraws random(77u);
    for (int round = 0; round < 40; ++round) {
        CDibImage image(ImageFormat::Gif);
        const int bits = round % 2 ? 24 : 8;
        ASSERT_NE(image.Create(random.Between(50, 400), random.Between(50, 400), bits, ImageFormat::Gif), nullptr);
        for (int i = 0; i < 256 && bits == 8; ++i)
            image.SetPaletteEntry(BYTE(i), random.Byte(), random.Byte(), random.Byte(), 0);
        for (DWORD i = 0; i < image.Header().biSizeImage; ++i) image.GetPixels()[i] = random.Byte();
        if (round % 4 >= 2) image.SetTransparentIndex(7);

        TestSurface surface(random.Between(300, 700), random.Between(200, 600));
        surface.clip = DeviceRect{random.Between(-10, 100), random.Between(-10, 100), random.Between(200, 800),
                                  random.Between(150, 700)};
        const int x = random.Between(-100, 100), y = random.Between(-100, 100);
        const int width = random.Between(1, 900), height = random.Between(1, 900);
        TestSurface drawn = surface, expected = surface;
        DeviceContext dc = drawn.MakeContext();
        ASSERT_EQ(image.Draw(&dc, x, y, width, height), ReferenceDraw(image, expected, x, y, width, height));
        ASSERT_EQ(drawn.pixels, expected.pixels) << "round " << round;
    }
}

// Areas of a megabyte and more are written past the caches, from a line
// start at any alignment; own size (direct) and enlarged (composed).
struct LargeAreaCase {
    int bits;
    bool ownSize;
};

class DrawLargeArea : public ::testing::TestWithParam<LargeAreaCase> {};

TEST_P(DrawLargeArea, MatchesTheReference)
{
    const LargeAreaCase c = GetParam();
    RandomDraws random(unsigned(c.bits * 2 + c.ownSize));
    CDibImage image(ImageFormat::Gif);
    ASSERT_NE(image.Create(601, 450, c.bits, ImageFormat::Gif), nullptr);
    for (int i = 0; i < int(image.Header().biClrUsed); ++i)
        image.SetPaletteEntry(BYTE(i), random.Byte(), random.Byte(), random.Byte(), 0);
    for (DWORD i = 0; i < image.Header().biSizeImage; ++i) image.GetPixels()[i] = random.Byte();
    TestSurface surface(700, 640, 3);
    const int width = c.ownSize ? -1 : 690, height = c.ownSize ? -1 : 630;
    TestSurface drawn = surface, expected = surface;
    DeviceContext dc = drawn.MakeContext();
    ASSERT_EQ(image.Draw(&dc, 3, 1, width, height), ReferenceDraw(image, expected, 3, 1, width, height));
    ASSERT_EQ(drawn.pixels, expected.pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawLargeArea,
                         ::testing::Values(LargeAreaCase{1, true}, LargeAreaCase{4, true}, LargeAreaCase{8, true},
                                           LargeAreaCase{24, true}, LargeAreaCase{8, false},
                                           LargeAreaCase{24, false}));

}  // namespace
