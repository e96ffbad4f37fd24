// DeviceContext: clip box and origin, solid fills, DIB transfer at every
// depth, off-screen sections and the copy of what the surface shows.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "image/device_context.h"
#include "tests/draw_reference.h"

namespace {

using kestrel::test::Opaque;
using kestrel::test::TestSurface;

bool SameRect(DeviceRect a, DeviceRect b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(DeviceClip, StartsAsTheWholeSurfaceInLogicalUnits)
{
    TestSurface surface(20, 10);
    surface.originX = 100;
    surface.originY = -5;
    DeviceContext dc = surface.MakeContext();
    EXPECT_TRUE(SameRect(dc.GetClipBox(), DeviceRect{100, -5, 120, 5}));
}

TEST(DeviceClip, ClipRectIsCutToTheSurfaceAndStaysPutWhenTheOriginMoves)
{
    TestSurface surface(20, 10);
    DeviceContext dc = surface.MakeContext();
    dc.SetClipRect(DeviceRect{-4, 3, 8, 50});
    EXPECT_TRUE(SameRect(dc.GetClipBox(), DeviceRect{0, 3, 8, 10}));
    dc.SetLogicalOrigin(10, 10);
    EXPECT_TRUE(SameRect(dc.GetClipBox(), DeviceRect{10, 13, 18, 20}));
    dc.ResetClip();
    EXPECT_TRUE(SameRect(dc.GetClipBox(), DeviceRect{10, 10, 30, 20}));
}

TEST(DeviceClip, EmptyAndInvertedClipsAreEmpty)
{
    TestSurface surface(8, 8);
    DeviceContext dc = surface.MakeContext();
    for (const DeviceRect clip : {DeviceRect{5, 5, 2, 7}, DeviceRect{20, 0, 30, 8}, DeviceRect{3, 3, 3, 3}}) {
        dc.SetClipRect(clip);
        const DeviceRect box = dc.GetClipBox();
        EXPECT_EQ(box.right, box.left);
        EXPECT_EQ(box.bottom, box.top);
        dc.FillSolid(DeviceRect{0, 0, 8, 8}, RGB(255, 0, 0));
    }
    for (const std::uint32_t p : surface.pixels) EXPECT_EQ(p, 0xFF000000u);
}

TEST(DeviceClip, OriginsNearTheIntLimitsReportSaturatedBoxes)
{
    TestSurface surface(8, 8);
    surface.originX = INT_MAX - 3;
    surface.originY = INT_MIN;
    DeviceContext dc = surface.MakeContext();
    EXPECT_TRUE(SameRect(dc.GetClipBox(), DeviceRect{INT_MAX - 3, INT_MIN, INT_MAX, INT_MIN + 8}));
    // Logical x INT_MAX and beyond cannot be reached by an exclusive right edge.
    dc.FillSolid(DeviceRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, RGB(1, 2, 3));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(surface.At(x, y), x < 3 ? Opaque(3, 2, 1) : 0xFF000000u);
}

TEST(DeviceFill, FillsTheClippedRectangleOnlyAndKeepsThePadding)
{
    TestSurface surface(6, 4, 2, 0x11111111u);
    surface.originX = -1;
    surface.clip = DeviceRect{0, 1, 4, 3};
    DeviceContext dc = surface.MakeContext();
    dc.FillSolid(DeviceRect{-10, -10, 2, 10}, RGB(0x12, 0x34, 0x56));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            // Logical x = surface x - 1: the fill covers logical 0 and 1.
            const bool filled = y >= 1 && y < 3 && x >= 1 && x < 3;
            EXPECT_EQ(surface.At(x, y), filled ? 0xFF123456u : 0x11111111u) << x << "," << y;
        }
    }
}

TEST(DeviceContextSetup, ANonsensicalSurfaceDrawsNothing)
{
    std::vector<std::uint32_t> pixels(16, 7);
    for (DeviceContext dc : {DeviceContext(nullptr, 4, 4, 16), DeviceContext(pixels.data(), 4, 4, 12),
                             DeviceContext(pixels.data(), 0, 4, 16), DeviceContext(pixels.data(), 4, -1, 16)}) {
        dc.FillSolid(DeviceRect{0, 0, 4, 4}, RGB(9, 9, 9));
        const DeviceRect box = dc.GetClipBox();
        EXPECT_EQ(box.right - box.left, 0);
        EXPECT_EQ(dc.SurfacePixel(0, 0), 0u);
    }
    for (const std::uint32_t p : pixels) EXPECT_EQ(p, 7u);
}

// A DIB of 3 x 2 pixels at the given depth: stored row 0 holds indices
// 0, 1, 0 and row 1 holds 1, 0, 1 (or, at 24 bits, the colours of those
// entries). Table: 0 = (blue 10, green 20, red 30), 1 = (40, 50, 60).
struct SmallDib {
    std::vector<BYTE> rows;
    RGBQUAD table[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    DibView view;

    explicit SmallDib(int bits)
    {
        const int stride = int(((3 * bits + 31) / 32) * 4);
        rows.assign(std::size_t(stride) * 2, 0);
        const int index[2][3] = {{0, 1, 0}, {1, 0, 1}};
        for (int y = 0; y < 2; ++y) {
            BYTE* row = rows.data() + y * stride;
            for (int x = 0; x < 3; ++x) {
                const int i = index[y][x];
                if (bits == 24) {
                    row[3 * x] = table[i].rgbBlue;
                    row[3 * x + 1] = table[i].rgbGreen;
                    row[3 * x + 2] = table[i].rgbRed;
                } else if (bits == 8) {
                    row[x] = BYTE(i);
                } else if (bits == 4) {
                    row[x / 2] |= BYTE(i << (x % 2 ? 0 : 4));
                } else {
                    row[0] |= BYTE(i << (7 - x));
                }
            }
        }
        view.width = 3;
        view.height = 2;
        view.bitCount = bits;
        view.stride = stride;
        view.palette = bits == 24 ? nullptr : table;
        view.paletteSize = bits == 24 ? 0 : 2;
        view.bits = rows.data();
    }
};

TEST(DeviceTransfer, EveryDepthLandsBottomUpThroughItsTable)
{
    const std::uint32_t c0 = Opaque(10, 20, 30), c1 = Opaque(40, 50, 60), bg = 0xFF000000u;
    for (const int bits : {1, 4, 8, 24}) {
        SmallDib dib(bits);
        TestSurface surface(5, 4);
        DeviceContext dc = surface.MakeContext();
        dc.TransferDib(1, 1, dib.view);
        const std::uint32_t want[4][5] = {{bg, bg, bg, bg, bg},
                                          {bg, c1, c0, c1, bg},  // stored row 1 on top
                                          {bg, c0, c1, c0, bg},
                                          {bg, bg, bg, bg, bg}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(surface.At(x, y), want[y][x]) << bits << " bits " << x << "," << y;
    }
}

TEST(DeviceTransfer, ClipsOnEverySideAndNearTheIntLimits)
{
    SmallDib dib(8);
    TestSurface surface(3, 2, 1);
    surface.clip = DeviceRect{1, 0, 3, 1};
    DeviceContext dc = surface.MakeContext();
    dc.TransferDib(-1, 0, dib.view);  // columns 1 and 2 of stored row 1 reach x 0 and 1
    EXPECT_EQ(surface.At(0, 0), 0xFF000000u);
    EXPECT_EQ(surface.At(1, 0), Opaque(40, 50, 60));
    EXPECT_EQ(surface.At(2, 0), 0xFF000000u);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(surface.At(x, 1), 0xFF000000u);
    EXPECT_EQ(surface.At(3, 0), 0xFF000000u);  // padding

    const auto before = surface.pixels;
    dc.TransferDib(INT_MAX - 1, 0, dib.view);
    dc.TransferDib(INT_MIN, INT_MIN, dib.view);
    EXPECT_EQ(surface.pixels, before);
}

TEST(DeviceTransfer, IndexBeyondTheTableIsBlackAndBadDibsAreIgnored)
{
    SmallDib dib(8);
    dib.view.paletteSize = 1;
    TestSurface surface(3, 2, 0, 0x55555555u);
    DeviceContext dc = surface.MakeContext();
    dc.TransferDib(0, 0, dib.view);
    EXPECT_EQ(surface.At(0, 0), 0xFF000000u);
    EXPECT_EQ(surface.At(1, 0), Opaque(10, 20, 30));

    TestSurface untouched(3, 2, 0, 0x55555555u);
    DeviceContext dc2 = untouched.MakeContext();
    for (const int bits : {0, 2, 16, 32}) {
        SmallDib bad(8);
        bad.view.bitCount = bits;
        dc2.TransferDib(0, 0, bad.view);
    }
    SmallDib shortRows(24);
    shortRows.view.stride = 8;  // 3 pixels need 9 bytes
    dc2.TransferDib(0, 0, shortRows.view);
    for (const std::uint32_t p : untouched.pixels) EXPECT_EQ(p, 0x55555555u);
}

TEST(DeviceTransfer, LongRowsKeepEveryPixel)
{
    // Every step of the 8- and 24-bit row conversions and their remainders,
    // on small areas and on ones large enough to be streamed, from aligned
    // and unaligned starts on the surface.
    struct Case {
        int width, height, x;
    };
    RGBQUAD table[256];
    for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(3 * i), 0};
    for (const int bits : {8, 24})
        for (const Case c : {Case{1, 1, 0}, Case{3, 1, 0}, Case{4, 1, 0}, Case{5, 1, 0}, Case{11, 1, 0},
                             Case{16, 2, 0}, Case{17, 2, 1}, Case{33, 2, 3}, Case{47, 1, 2}, Case{515, 512, 0},
                             Case{517, 512, 1}}) {
            const std::int64_t stride = bits == 8 ? (c.width + 3) & ~3 : OffscreenSection::StrideFor(c.width);
            std::vector<BYTE> rows(std::size_t(stride) * std::size_t(c.height));
            auto value = [](int x, int y) { return BYTE(x + 7 * y); };
            auto expected = [&](int x, int y) {
                const RGBQUAD q = table[value(x, y)];
                return bits == 8 ? Opaque(q.rgbBlue, q.rgbGreen, q.rgbRed)
                                 : Opaque(value(x, y), BYTE(100 + x), BYTE(200 + y));
            };
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    BYTE* row = rows.data() + std::size_t(y) * std::size_t(stride);
                    if (bits == 8) {
                        row[x] = value(x, y);
                    } else {
                        row[3 * x] = value(x, y);
                        row[3 * x + 1] = BYTE(100 + x);
                        row[3 * x + 2] = BYTE(200 + y);
                    }
                }
            DibView view;
            view.width = c.width;
            view.height = c.height;
            view.bitCount = bits;
            view.stride = stride;
            view.bits = rows.data();
            view.palette = bits == 8 ? table : nullptr;
            view.paletteSize = bits == 8 ? 256 : 0;
            TestSurface surface(c.width + c.x, c.height);
            DeviceContext dc = surface.MakeContext();
            dc.TransferDib(c.x, 0, view);
            int wrong = 0;
            for (int line = 0; line < c.height; ++line)
                for (int x = 0; x < c.width; ++x)
                    wrong += surface.At(c.x + x, line) != expected(x, c.height - 1 - line);
            EXPECT_EQ(wrong, 0) << bits << " bits, " << c.width << " x " << c.height << " at " << c.x;
        }
}

TEST(DeviceSection, RowsArePaddedAndOversizedSectionsFail)
{
    TestSurface surface(4, 4);
    DeviceContext dc = surface.MakeContext();
    const OffscreenSection section = dc.CreateSection(5, 3);
    ASSERT_NE(section.Bits(), nullptr);
    EXPECT_EQ(section.Stride(), 16);
    EXPECT_EQ(section.Row(2), section.Bits() + 32);
    EXPECT_EQ(dc.CreateSection(0, 3).Bits(), nullptr);
    EXPECT_EQ(dc.CreateSection(3, -1).Bits(), nullptr);
    EXPECT_EQ(dc.CreateSection(INT_MAX, INT_MAX).Bits(), nullptr);
    dc.SetSectionByteLimit(47);
    EXPECT_EQ(dc.CreateSection(5, 3).Bits(), nullptr);
    dc.SetSectionByteLimit(48);
    EXPECT_NE(dc.CreateSection(5, 3).Bits(), nullptr);
}

TEST(DeviceSection, CopyAndTransferBackRoundTrip)
{
    TestSurface surface(7, 5, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) surface.At(x, y) = Opaque(x, y, 10 * x + y);
    surface.originX = 2;
    surface.originY = 1;
    DeviceContext dc = surface.MakeContext();
    OffscreenSection section = dc.CreateSection(5, 3);
    dc.CopyToSection(3, 2, section, 3);  // surface (1, 1) to (5, 3)
    // Row 0 is the bottom line: surface y 3.
    const BYTE* bottom = section.Row(0);
    EXPECT_EQ(bottom[0], 1);
    EXPECT_EQ(bottom[1], 3);
    EXPECT_EQ(bottom[2], 13);
    EXPECT_EQ(section.Row(2)[3 * 4 + 2], 51);  // surface (5, 1)

    TestSurface target(7, 5, 1, 0xFF000000u);
    target.originX = 2;
    target.originY = 1;
    DeviceContext out = target.MakeContext();
    out.TransferSection(3, 2, section, 3);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 1 && y < 4;
            EXPECT_EQ(target.At(x, y), inside ? surface.At(x, y) : 0xFF000000u) << x << "," << y;
        }
}

TEST(DeviceSection, PartialRowsUseTheBottomOfTheSection)
{
    TestSurface surface(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) surface.At(x, y) = Opaque(x, y, 0);
    DeviceContext dc = surface.MakeContext();
    OffscreenSection section = dc.CreateSection(2, 3);
    std::fill(section.Bits(), section.Bits() + 3 * section.Stride(), BYTE(0xEE));
    dc.CopyToSection(1, 1, section, 2);  // surface lines 1 and 2
    EXPECT_EQ(section.Row(0)[1], 2);
    EXPECT_EQ(section.Row(1)[1], 1);
    EXPECT_EQ(section.Row(2)[0], 0xEE);  // beyond the rows asked for

    TestSurface target(4, 4, 0, 0xFF000000u);
    DeviceContext out = target.MakeContext();
    out.TransferSection(0, 0, section, 2);
    EXPECT_EQ(target.At(0, 0), Opaque(1, 1, 0));
    EXPECT_EQ(target.At(1, 1), Opaque(2, 2, 0));
    EXPECT_EQ(target.At(0, 2), 0xFF000000u);
}

TEST(DeviceSection, WhatLiesOffTheSurfaceCopiesAsBlack)
{
    TestSurface surface(3, 3, 0, 0xFFFFFFFFu);
    DeviceContext dc = surface.MakeContext();
    OffscreenSection section = dc.CreateSection(5, 5);
    dc.CopyToSection(-1, -1, section, 5);
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 5; ++i) {
            const int x = i - 1, y = 3 - k;  // row 0 is surface line 3
            const bool onSurface = x >= 0 && x < 3 && y >= 0 && y < 3;
            EXPECT_EQ(section.Row(k)[3 * i], onSurface ? 0xFF : 0) << i << "," << k;
        }
    dc.CopyToSection(INT_MAX, INT_MIN, section, 5);
    EXPECT_EQ(section.Row(4)[0], 0);
}

}  // namespace

namespace {

TEST(DeviceWindow, OpensOnlyRectanglesWhollyInsideTheClip)
{
    TestSurface surface(10, 8, 3);
    surface.originX = -2;
    surface.originY = 1;
    surface.clip = DeviceRect{0, 2, 6, 7};
    DeviceContext dc = surface.MakeContext();

    // Logical (1, 3) is surface (3, 2); lines are one pitch apart.
    const SurfaceWindow window = dc.OpenWindow(DeviceRect{1, 3, 4, 6});
    ASSERT_NE(window.TopLine(), nullptr);
    EXPECT_EQ(window.Width(), 3);
    EXPECT_EQ(window.Height(), 3);
    EXPECT_EQ(window.TopLine(), &surface.At(3, 2));
    EXPECT_EQ(window.Line(2), &surface.At(3, 4));
    EXPECT_NE(dc.OpenWindow(DeviceRect{0, 2, 6, 7}).TopLine(), nullptr);  // the clip itself

    for (const DeviceRect outside : {DeviceRect{-1, 3, 4, 6}, DeviceRect{1, 1, 4, 6}, DeviceRect{1, 3, 7, 6},
                                     DeviceRect{1, 3, 4, 8}, DeviceRect{2, 3, 2, 6}, DeviceRect{4, 3, 1, 6},
                                     DeviceRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}})
        EXPECT_EQ(dc.OpenWindow(outside).TopLine(), nullptr)
            << outside.left << "," << outside.top << "," << outside.right << "," << outside.bottom;
}

}  // namespace
