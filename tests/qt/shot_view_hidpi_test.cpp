// On a high-density screen (device pixel ratio 2, QT_SCALE_FACTOR=2) the view
// draws the shot once, straight at the screen's pixels. Run at ratio 2 by the
// kestrel_shot_view_ratio_2 test; skipped at other ratios.
#include <gtest/gtest.h>

#include "image/device_context.h"
#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::IndexedShot;
using shots_test::Rgb;
using shots_test::ViewHost;

// 97 x 89 pixels, each unlike its neighbours: with that many columns and
// rows, an enlarged logical-size drawing puts some edges on other device
// pixels than a drawing made at device size does.
std::unique_ptr<CDibImage> StripedShot()
{
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < 89; ++y)
        for (int x = 0; x < 97; ++x) indices.push_back(std::uint8_t((x + 2 * y) % 4));
    return IndexedShot(97, 89, {Rgb{255, 0, 0}, Rgb{0, 200, 0}, Rgb{0, 0, 255}, Rgb{250, 240, 10}}, indices);
}

// The picture the renderer makes of image in a surface of size (device
// pixels) over white.
QImage DrawnAt(CDibImage& image, QSize size, int width, int height)
{
    QImage surface(size, QImage::Format_RGB32);
    DeviceContext dc(reinterpret_cast<std::uint32_t*>(surface.bits()), size.width(), size.height(),
                     int(surface.bytesPerLine()));
    dc.FillSolid({0, 0, size.width(), size.height()}, 0xFFFFFF);
    image.Draw(&dc, 0, 0, width, height);
    return surface;
}

int DifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

class ShotViewRatio2 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qApp->devicePixelRatio() != 2.0) GTEST_SKIP() << "needs a device pixel ratio of 2 (QT_SCALE_FACTOR=2)";
    }

    // Shows the striped shot, fitted or not, and grabs the view.
    QImage ShowStriped(int fit)
    {
        m_host.doc.m_bFitToScreen = fit;
        m_host.doc.m_pImage = StripedShot();
        m_host.doc.UpdateAllViews(nullptr, 0, nullptr);
        return m_host.Grab();
    }

    ViewHost m_host;
};

TEST_F(ShotViewRatio2, AFittedShotIsScaledOnceToTheDevicePixels)
{
    const QImage grabbed = ShowStriped(1);
    ASSERT_EQ(grabbed.size(), m_host.view->viewport()->size() * 2);
    // Not the logical-size drawing enlarged: that puts the edges elsewhere.
    const QImage expected = DrawnAt(*m_host.doc.m_pImage, grabbed.size(), grabbed.width(), grabbed.height());
    EXPECT_EQ(DifferentPixels(grabbed, expected), 0);
}

TEST_F(ShotViewRatio2, AShotAtItsOwnSizeCoversTwiceItsPixelsSharply)
{
    const QImage grabbed = ShowStriped(0);
    EXPECT_EQ(m_host.view->GetTotalSize(), QSize(97, 89));  // scroll sizes stay logical
    EXPECT_EQ(DifferentPixels(grabbed, DrawnAt(*m_host.doc.m_pImage, grabbed.size(), 194, 178)), 0);
}

}  // namespace
